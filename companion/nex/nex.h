// KVLnex: exceptions.
//
// An exception object records where it was raised (source name and line);
// Throw() raises it with its dynamic class, so a catcher of the base sees the
// derived object.
#ifndef KVL_NEX_H
#define KVL_NEX_H

#include <exception>
#include <string>

#include "atr.h"
#include "kvl_api.h"

KVL_API void nex_initialize(int& level);
KVL_API void nex_finalize(int& level);

class KVL_API nex_Exception : public std::exception {
 public:
  nex_Exception() = default;
  nex_Exception(const nex_Exception&) = default;
  nex_Exception& operator=(const nex_Exception&) = default;
  ~nex_Exception() override;
  // Records the source and line, then raises the object as its own class.
  [[noreturn]] void Throw(const char* file, int line);
  // The message for the user; the base has none.
  virtual atr_String UserReport() const;
  const char* what() const noexcept override;
  const std::string& File() const { return file_; }
  int Line() const { return line_; }

 protected:
  // Throws the object as its own class; a class without an override is thrown
  // by Throw as nex_Exception.
  virtual void Raise() const {}

 private:
  std::string file_;
  int line_ = 0;
  mutable std::string what_;
};

// An internal error with a message.
class KVL_API nex_TextException : public nex_Exception {
 public:
  explicit nex_TextException(const atr_String& text) : text_(text) {}
  atr_String UserReport() const override { return text_; }

 protected:
  void Raise() const override;

 private:
  atr_String text_;
};

// A broken internal condition: its text, source and line.
class KVL_API nex_AssertException : public nex_Exception {
 public:
  explicit nex_AssertException(const char* condition) : condition_(condition) {}
  const std::string& Condition() const { return condition_; }
  atr_String UserReport() const override;

 protected:
  void Raise() const override;

 private:
  std::string condition_;
};

// Raises nex_AssertException naming the condition when it does not hold.
#define NEX_ASSERT(cond) \
  ((cond) ? static_cast<void>(0) : nex_AssertException(#cond).Throw(__FILE__, __LINE__))
// The same with an explicit source name, for conditions whose report names a
// fixed source.
#define NEX_ASSERT_AT(cond, source) \
  ((cond) ? static_cast<void>(0) : nex_AssertException(#cond).Throw(source, __LINE__))

#endif
