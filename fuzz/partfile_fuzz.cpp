// Fuzz target of the part file reader.
//
// Whatever the bytes, reading them gives a part map or an error reported
// through the error service with a message; never a crash, a hang or an
// allocation out of proportion to the input (the sanitizers and libFuzzer's
// limits watch for those). A map that reads is written, and the file must
// read back to a map that writes the same file (names lose their double
// quotes: see fuzz_support.h). Its global-to-local index must answer every
// id as the instance-by-instance visit does, also for the damaged maps that
// a mutated file gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "inpM_PartMap.h"
#include "nex.h"

namespace {

// The first instance in map order whose table holds the id, else the
// assembly level; null when none does.
const inpM_InstanceMaps* FirstHolder(const inpM_InstanceIdMaps& maps, int id, cow_String& name) {
  for (const auto& [instance, pair] : maps.instances) {
    if (pair.globalToLocal->Find(id)) {
      name = instance;
      return &pair;
    }
  }
  name = cow_String();
  return maps.assembly.globalToLocal->Find(id) ? &maps.assembly : nullptr;
}

void CheckIndex(const inpM_PartMap& map, bool nodes) {
  const inpM_InstanceIdMaps& maps = nodes ? map.ConstGetNodeMap() : map.ConstGetElementMap();
  int budget = 2000;  // keeps each run short; the ids vary from run to run
  auto check = [&](int id, int) {
    if (--budget < 0) return;
    cow_String name;
    const inpM_InstanceMaps* holder = FirstHolder(maps, id, name);
    const inpM_StringIntPair answer =
        nodes ? map.ConstGetInstanceNodeIdPair(id) : map.ConstGetInstanceElementIdPair(id);
    if (!holder || !(answer.instance == name) || answer.id != *holder->globalToLocal->Find(id))
      kvl_fuzz::Fail("the global index answers otherwise than the instances' tables");
  };
  for (const auto& [instance, pair] : maps.instances) pair.globalToLocal->ForEach(check);
  maps.assembly.globalToLocal->ForEach(check);
}

std::string ReadWrite(aio_istream& in) {
  const inpM_PartMap map(in);
  CheckIndex(map, true);
  CheckIndex(map, false);
  try {
    map.IsNodePartMapMember(1);
  } catch (const nex_AssertException&) {
    // Node and element maps of different sizes: the reader accepts them,
    // the instance queries refuse them.
  }
  return kvl_fuzz::Text(map);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kvl_fuzz::CheckRoundTrip(kvl_fuzz::Input(data, size), ReadWrite, kvl_fuzz::Names::kQuotesDropped);
  return 0;
}
