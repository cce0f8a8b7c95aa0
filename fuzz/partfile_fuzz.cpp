// Fuzz target of the part file reader.
//
// Whatever the bytes, reading them gives a part map or an error reported
// through the error service with a message; never a crash, a hang or an
// allocation out of proportion to the input (the sanitizers and libFuzzer's
// limits watch for those). A map that reads is then written, and its
// global-to-local index must answer every id as the instance-by-instance
// visit does, also for the damaged maps that a mutated file gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "inpM_PartMap.h"
#include "mem.h"
#include "nex.h"
#include "wip.h"

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
    if (!holder || !(answer.instance == name) || answer.id != *holder->globalToLocal->Find(id)) std::abort();
  };
  for (const auto& [instance, pair] : maps.instances) pair.globalToLocal->ForEach(check);
  maps.assembly.globalToLocal->ForEach(check);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  aio_istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    const inpM_PartMap map(in);
    aio_ostringstream out;
    map.Print(out);
    CheckIndex(map, true);
    CheckIndex(map, false);
    try {
      map.IsNodePartMapMember(1);
    } catch (const nex_AssertException&) {
      // Node and element maps of different sizes: the reader accepts them,
      // the instance queries refuse them.
    }
  } catch (const wip_ErrorException& e) {
    if (e.Message().IsEmpty()) std::abort();
  }
  return 0;
}
