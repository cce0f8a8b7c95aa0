#include "cow.h"

#include <cctype>
#include <new>

void cow_initialize(int&) {}
void cow_finalize(int&) {}

void* cow_Counter::operator new(size_t n) { return ::operator new(n); }
void cow_Counter::operator delete(void* p) noexcept { ::operator delete(p); }

int cow_String::Find(const cow_String& pattern, int start) const {
  if (start < 0 || static_cast<size_t>(start) > s_.size()) return npos;
  const size_t at = s_.find(pattern.s_, static_cast<size_t>(start));
  return at == std::string::npos ? npos : static_cast<int>(at);
}

int cow_String::Find(char c, int start) const {
  if (start < 0 || static_cast<size_t>(start) > s_.size()) return npos;
  const size_t at = s_.find(c, static_cast<size_t>(start));
  return at == std::string::npos ? npos : static_cast<int>(at);
}

cow_String cow_String::Substr(int pos, int count) const {
  if (pos < 0 || static_cast<size_t>(pos) >= s_.size() || count == 0) return cow_String();
  const size_t n = count < 0 ? std::string::npos : static_cast<size_t>(count);
  return cow_String(s_.substr(static_cast<size_t>(pos), n));
}

cow_String cow_String::ToUpper() const {
  std::string u = s_;
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return cow_String(std::move(u));
}

cow_String& cow_String::LeftTrim(const char* set) {
  s_.erase(0, std::min(s_.find_first_not_of(set), s_.size()));
  return *this;
}

cow_String& cow_String::RightTrim(const char* set) {
  const size_t last = s_.find_last_not_of(set);
  s_.erase(last == std::string::npos ? 0 : last + 1);
  return *this;
}
