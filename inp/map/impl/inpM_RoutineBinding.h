// Internal: the Fortran side of the solver routines. Character arguments
// turned into names and names written back into them, and the boundary that
// keeps C++ exceptions from reaching a Fortran or C caller.
#ifndef INPM_ROUTINEBINDING_H
#define INPM_ROUTINEBINDING_H

#include <cstddef>
#include <string>

#include "atr.h"
#include "cow.h"

// Input conversions of a character argument of `length` bytes.
// The bytes with trailing blanks removed.
cow_String inpM_RightTrimmed(const char* argument, size_t length);
// The bytes with leading and trailing blanks removed.
cow_String inpM_Trimmed(const char* argument, size_t length);
// Right-trimmed, then in upper case.
cow_String inpM_UpperCase(const char* argument, size_t length);
// The bytes before the first blank, or all of them when there is none.
cow_String inpM_UpToFirstBlank(const char* argument, size_t length);

// The blank-stripped copy: the argument without its trailing blanks in a
// NUL-terminated buffer of its own, released with this object at the end of
// the routine. Seen as a name, it ends at its first NUL, as a C string does.
class inpM_BlankStrippedCopy {
 public:
  inpM_BlankStrippedCopy(const char* argument, size_t length);
  char* Buffer() { return buffer_.data(); }
  cow_String Name() const { return cow_String(buffer_.c_str()); }

 private:
  std::string buffer_;
};

// Output conversions into a character argument of `length` bytes.
// Truncated: at most `length` bytes of the name, then blanks to the end.
void inpM_WriteTruncated(const cow_String& name, char* argument, size_t length);
// Checked: the name and blanks when the argument is longer than the name;
// otherwise the argument is left alone and the result is false.
bool inpM_WriteChecked(const cow_String& name, char* argument, size_t length);
// Written back: when the name's length differs from `passedLength` (that of
// the name passed in), the argument is blanked and the name copied into its
// start (at most `length` bytes); otherwise the argument is left alone.
void inpM_WriteBack(const cow_String& name, int passedLength, char* argument, size_t length);

// Prints the message through the calling thread's error service, after the
// translated prefix when one is given.
void inpM_PrintRoutineMessage(const char* prefix, const atr_String& text);

// Called inside a catch block at the boundary of an exported routine: hands
// the exception's message to the fatal-error hook (wip_Fatal), and when the
// hook returns, sets the error flag (if the routine has one) to 1.
void inpM_EndAtBoundary(int* error) noexcept;

// Runs `body` so that no exception leaves it (see inpM_EndAtBoundary).
template <class F>
void inpM_FortranBoundary(int* error, F&& body) noexcept {
  try {
    body();
  } catch (...) {
    inpM_EndAtBoundary(error);
  }
}

// Exports a routine under a second name: the name that Unix Fortran
// compilers call (lower case with a trailing underscore). It must follow the
// definition of `upper` in the same source.
#define INPM_FORTRAN_NAME(upper, lower) \
  extern "C" KVL_API decltype(upper) lower __attribute__((alias(#upper)));

#endif
