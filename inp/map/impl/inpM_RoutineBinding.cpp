#include "inpM_RoutineBinding.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <mutex>

#include "atr.h"
#include "cow.h"
#include "inpM_Routines.h"
#include "inpM_SolverPartMap.h"
#include "mem.h"
#include "nex.h"
#include "omni.h"
#include "thr.h"
#include "utl.h"
#include "wip.h"

namespace {

// A hidden length fills a whole argument slot and is used as an int.
int ArgumentLength(size_t length) { return static_cast<int>(std::min<size_t>(length, INT_MAX)); }

// The number of bytes left when trailing blanks are removed.
size_t RightTrimmedLength(const char* argument, size_t length) {
  size_t n = static_cast<size_t>(ArgumentLength(length));
  while (n > 0 && argument[n - 1] == ' ') --n;
  return n;
}

cow_String Bytes(const char* p, size_t n) { return cow_String(p, static_cast<int>(n)); }

}  // namespace

cow_String inpM_RightTrimmed(const char* argument, size_t length) {
  return Bytes(argument, RightTrimmedLength(argument, length));
}

cow_String inpM_Trimmed(const char* argument, size_t length) {
  const size_t end = RightTrimmedLength(argument, length);
  size_t start = 0;
  while (start < end && argument[start] == ' ') ++start;
  return Bytes(argument + start, end - start);
}

cow_String inpM_UpperCase(const char* argument, size_t length) { return inpM_RightTrimmed(argument, length).ToUpper(); }

cow_String inpM_UpToFirstBlank(const char* argument, size_t length) {
  const size_t n = static_cast<size_t>(ArgumentLength(length));
  const void* blank = n > 0 ? std::memchr(argument, ' ', n) : nullptr;
  return Bytes(argument, blank ? static_cast<size_t>(static_cast<const char*>(blank) - argument) : n);
}

inpM_BlankStrippedCopy::inpM_BlankStrippedCopy(const char* argument, size_t length)
    : buffer_(argument, RightTrimmedLength(argument, length)) {}

void inpM_WriteTruncated(const cow_String& name, char* argument, size_t length) {
  const size_t n = static_cast<size_t>(ArgumentLength(length));
  const size_t copied = std::min(n, static_cast<size_t>(name.Length()));
  std::memcpy(argument, name.c_str(), copied);
  std::memset(argument + copied, ' ', n - copied);
}

bool inpM_WriteChecked(const cow_String& name, char* argument, size_t length) {
  if (ArgumentLength(length) <= name.Length()) return false;
  inpM_WriteTruncated(name, argument, length);
  return true;
}

void inpM_WriteBack(const cow_String& name, int passedLength, char* argument, size_t length) {
  if (name.Length() != passedLength) inpM_WriteTruncated(name, argument, length);
}

void inpM_PrintRoutineMessage(const char* prefix, const atr_String& text) {
  atr_String message = prefix ? atr_translate(prefix).Result() : atr_String();
  message.append(text);
  thr_ThreadSingleton<wip_WIP>::Instance().Print(message);
}

void inpM_EndAtBoundary(int* error) noexcept {
  atr_String message;
  try {
    throw;
  } catch (const nex_Exception& e) {
    message = e.UserReport();
  } catch (const wip_ErrorException& e) {
    message = e.Message();
  } catch (const std::exception& e) {
    message = atr_String(e.what());
  } catch (...) {
    message = atr_String("An unknown exception reached the boundary of a solver routine.");
  }
  wip_Fatal(message);
  if (error) *error = 1;
}

namespace {

// The library's start count. The mutex makes the count and the companions'
// start and stop one step, so that a thread that finds the library started
// finds it started completely (the count alone would be a plain int).
std::mutex startMutex;
int startCount = 0;

}  // namespace

void inpM_initialize(int& level) {
  std::lock_guard<std::mutex> lock(startMutex);
  if (startCount++ != 0) return;
  // The caller's counter is only counted up here and down in inpM_finalize;
  // the library never reads it.
  ++level;
  mem_initialize(level);
  thr_initialize(level);
  omni_initialize(level);
  atr_initialize(level);
  cow_initialize(level);
  nex_initialize(level);
  wip_initialize(level);
  utl_initialize(level);
}

void inpM_finalize(int& level) {
  std::lock_guard<std::mutex> lock(startMutex);
  // A finalize without a matching initialize does nothing, so that the count
  // never goes below 0 and a later initialize still starts the library.
  if (startCount == 0 || --startCount != 0) return;
  --level;
  thr_ThreadSingleton<inpM_SolverPartMap>::DestroyInstance();
  utl_finalize(level);
  wip_finalize(level);
  nex_finalize(level);
  cow_finalize(level);
  atr_finalize(level);
  omni_finalize(level);
  thr_finalize(level);
  mem_finalize(level);
}
