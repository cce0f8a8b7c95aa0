// Fuzz target of the instance surface records: the first byte chooses the
// kind code given to CreateSurface(type, in) (its value modulo 4), the rest
// is the record.
//   0  element-face, 1  node-area, 2  analytical rigid,
//   3  a kind code of no surface, which must be rejected whatever follows.
// Whatever is accepted is written and must read back, under the same kind,
// to a surface that writes the same text. Face ids are written unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "inpM_Surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int kind = data[0] % 4;
  const auto type = static_cast<inpM_SurfaceTypes>(kind < 3 ? kind : 3 + data[0] / 4);
  kvl_fuzz::CheckRoundTrip(
      kvl_fuzz::Input(data + 1, size - 1),
      [type](aio_istream& in) {
        const inpM_PartInstanceSurfaceCOW surface = CreateSurface(type, in);
        if (surface->GetSurfaceType() != type) kvl_fuzz::Fail("CreateSurface made a surface of another kind");
        return kvl_fuzz::Text(*surface);
      },
      kvl_fuzz::Names::kKept);
  return 0;
}
