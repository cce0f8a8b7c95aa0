// Fuzz target of the surface map records: the first byte chooses the reader
// (its value modulo 2), the rest is the record.
//   0  the surface map, inpM_SurfaceMap(in)
//   1  one assembly surface, inpM_AssemblyInstanceSurface(in)
// Whatever is accepted is written and must read back to a value that writes
// the same text. Instance and surface names are written without their
// double quotes (see fuzz_support.h).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "inpM_SurfaceMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string record = kvl_fuzz::Input(data + 1, size - 1);
  if (data[0] % 2 == 0) {
    kvl_fuzz::CheckRoundTrip(record, [](aio_istream& in) { return kvl_fuzz::Text(inpM_SurfaceMap(in)); },
                             kvl_fuzz::Names::kQuotesDropped);
  } else {
    kvl_fuzz::CheckRoundTrip(
        record, [](aio_istream& in) { return kvl_fuzz::Text(inpM_AssemblyInstanceSurface(in)); },
        kvl_fuzz::Names::kQuotesDropped);
  }
  return 0;
}
