#include "nex.h"

void nex_initialize(int&) {}
void nex_finalize(int&) {}

nex_Exception::~nex_Exception() = default;

void nex_Exception::Throw(const char* file, int line) {
  file_ = file ? file : "";
  line_ = line;
  Raise();
  throw *this;
}

atr_String nex_Exception::UserReport() const { return atr_String(); }

const char* nex_Exception::what() const noexcept {
  what_ = UserReport().str();
  return what_.c_str();
}

void nex_TextException::Raise() const { throw *this; }

void nex_AssertException::Raise() const { throw *this; }

atr_String nex_AssertException::UserReport() const {
  return atr_String("Assertion failed: " + condition_ + " (" + File() + ", line " + std::to_string(Line()) + ")");
}
