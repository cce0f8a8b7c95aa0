// Fuzz target of the set records: the first byte chooses the reader (its
// value modulo 4), the rest is the record.
//   0  a sorted set, CreateSet(in, false)
//   1  an unsorted set, CreateSet(in, true)
//   2  an integer set, inpM_IntegerSet(in)
//   3  a name pair, inpM_SetNamePair(in)
// One target for the four: their records nest in one another, so that what
// libFuzzer learns from one reader's inputs serves the others.
//
// Whatever a reader accepts is written and must read back to a set that
// writes the same text. The sorted set writes its instance names without
// their double quotes (see fuzz_support.h); the other records keep names.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "inpM_Set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string record = kvl_fuzz::Input(data + 1, size - 1);
  using kvl_fuzz::Names;
  switch (data[0] % 4) {
    case 0:
      kvl_fuzz::CheckRoundTrip(record, [](aio_istream& in) { return kvl_fuzz::Text(*CreateSet(in, false)); },
                               Names::kQuotesDropped);
      break;
    case 1:
      kvl_fuzz::CheckRoundTrip(record, [](aio_istream& in) { return kvl_fuzz::Text(*CreateSet(in, true)); },
                               Names::kKept);
      break;
    case 2:
      kvl_fuzz::CheckRoundTrip(record, [](aio_istream& in) { return kvl_fuzz::Text(inpM_IntegerSet(in)); },
                               Names::kKept);
      break;
    default:
      kvl_fuzz::CheckRoundTrip(record, [](aio_istream& in) { return kvl_fuzz::Text(inpM_SetNamePair(in)); },
                               Names::kKept);
      break;
  }
  return 0;
}
