// Fuzz target of the id table pair record (inpM_InstanceMaps).
//
// The record's reader tests nothing itself: a count or pair that cannot be
// read leaves the stream failed, and the part file reader reports it. The
// target does the same, through the error service. What reads is written
// and must read back to a pair that writes the same text; since the record
// holds one count for both tables, an accepted pair holds as many pairs in
// each.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "inpM_IdMap.h"

namespace {

std::string ReadWrite(aio_istream& in) {
  const inpM_InstanceMaps pair(in);
  if (in.fail()) wip_Error("The id table pair cannot be read.");
  if (pair.globalToLocal->Size() != pair.localToGlobal->Size())
    kvl_fuzz::Fail("an accepted table pair holds tables of different sizes");
  return kvl_fuzz::Text(pair);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kvl_fuzz::CheckRoundTrip(kvl_fuzz::Input(data, size), ReadWrite, kvl_fuzz::Names::kKept);
  return 0;
}
