// The checks that every fuzz target of a record reader makes.
//
// Whatever the bytes, a reader either accepts them or rejects them through
// the thread's error service, which throws wip_ErrorException with a
// non-empty message; any other exception is a finding. What a reader accepts
// is written, and the written text must read back to a value that writes the
// same text again. Every finding aborts, after printing what differed, so
// that libFuzzer and the replay driver stop on it.
#ifndef KVL_FUZZ_SUPPORT_H
#define KVL_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "inpM_ModelGenerator.h"
#include "inpM_PartMap.h"
#include "mem.h"
#include "wip.h"

namespace kvl_fuzz {

inline std::string Input(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

[[noreturn]] inline void Fail(const char* what, std::string_view first = {}, std::string_view second = {}) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  if (!first.empty()) std::fprintf(stderr, "--- first text\n%.*s\n", static_cast<int>(first.size()), first.data());
  if (!second.empty()) std::fprintf(stderr, "--- second text\n%.*s\n", static_cast<int>(second.size()), second.data());
  std::abort();
}

// What a value writes through its Print.
template <class Value>
std::string Text(const Value& value) {
  aio_ostringstream out;
  value.Print(out);
  return out.str();
}

// Runs `readWrite` (aio_istream& -> the text of what it read) on `text`:
// the written text, or nothing when the reader rejected the input through
// the error service.
template <class ReadWrite>
std::optional<std::string> Accepted(const std::string& text, ReadWrite& readWrite) {
  aio_istringstream in(text);
  try {
    return readWrite(in);
  } catch (const wip_ErrorException& e) {
    if (e.Message().IsEmpty()) Fail("rejected with an empty message");
    return std::nullopt;
  } catch (const std::exception& e) {
    Fail("an exception other than wip_ErrorException", e.what());
  } catch (...) {
    Fail("an exception of no standard class");
  }
}

// Whether the writer keeps names as they are or drops their double quotes.
enum class Names { kKept, kQuotesDropped };

// The round trip: what `readWrite` accepts from `input` is written; that text
// must read back and write the same text again.
//
// A writer that drops the double quotes of names may write a value's names
// in another order than their quote-free form sorts in, or write two names
// that become one (`"A"` and `A`): the first reading of such an input holds
// names that no written text can give back, so its text may differ from the
// second. From the second text on nothing changes, which is what is checked
// for an input that holds a double quote.
template <class ReadWrite>
void CheckRoundTrip(const std::string& input, ReadWrite readWrite, Names names) {
  const std::optional<std::string> first = Accepted(input, readWrite);
  if (!first) return;
  const std::optional<std::string> second = Accepted(*first, readWrite);
  if (!second) Fail("the written text does not read back", *first);
  if (*second == *first) return;
  if (names == Names::kKept || input.find('"') == std::string::npos)
    Fail("the written text reads back to a value that writes another text", *first, *second);
  const std::optional<std::string> third = Accepted(*second, readWrite);
  if (!third || *third != *second) Fail("the text without quotes is not stable", *second, third.value_or(""));
}

// The small generated model (two instances, assembly ids, sets) that the
// targets of edits and routines work on: big enough to hold every kind of
// name, small enough to copy for every input.
inline const inpM_PartMap& SmallModel() {
  static const inpM_PartMap model = [] {
    inpM_ModelShape shape;
    shape.seed = 2;
    shape.instances = 2;
    shape.nodesPerInstance = 6;
    shape.elementsPerInstance = 3;
    shape.assemblyNodes = 2;
    shape.assemblyElements = 1;
    shape.setFraction = 0.5;
    return inpM_GenerateModel(shape);
  }();
  return model;
}

}  // namespace kvl_fuzz

#endif
