// Fuzz target of the edit script of `inpm edit`.
//
// The input is a script, one edit per line, applied through the script's
// interpreter to a small generated part map that holds every kind of set and
// surface. Every line is either applied or refused with a message (never an
// empty one, never a broken invariant); no line crashes. When the whole
// script is accepted, the edited map prints, reads back, and prints again to
// the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "inpM_PartMap.h"
#include "inpm_script.h"
#include "mem.h"
#include "wip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr int kMaxLines = 64;  // keeps each run short
  const std::string_view script(reinterpret_cast<const char*>(data), size);
  inpM_PartMap map = kvl_fuzz::SmallModel();
  bool accepted = true;
  size_t at = 0;
  for (int n = 0; n < kMaxLines && at < script.size(); ++n) {
    const size_t end = std::min(script.find('\n', at), script.size());
    const std::optional<std::string> refused = inpm_ApplyEditLine(map, std::string(script.substr(at, end - at)));
    at = end + 1;
    if (!refused) continue;
    if (refused->empty() || refused->rfind("Assertion failed", 0) == 0) std::abort();
    accepted = false;
  }
  if (!accepted) return 0;
  const std::string text = kvl_fuzz::Text(map);
  aio_istringstream in(text);
  try {
    if (kvl_fuzz::Text(inpM_PartMap(in)) != text) std::abort();
  } catch (const wip_ErrorException&) {
    std::abort();  // what the library wrote, it reads
  }
  return 0;
}
