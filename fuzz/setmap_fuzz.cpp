// Fuzz target of the set map record (inpM_SetMap): whatever it accepts is
// written and must read back to a set map that writes the same text. Set
// and instance names are written without their double quotes (see
// fuzz_support.h).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "inpM_SetMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kvl_fuzz::CheckRoundTrip(
      kvl_fuzz::Input(data, size), [](aio_istream& in) { return kvl_fuzz::Text(inpM_SetMap(in)); },
      kvl_fuzz::Names::kQuotesDropped);
  return 0;
}
