#include "cow.h"

#include <cctype>
#include <climits>
#include <stdexcept>
#include <new>

void cow_initialize(int&) {}
void cow_finalize(int&) {}

void* cow_Counter::operator new(size_t n) { return ::operator new(n); }
void cow_Counter::operator delete(void* p) noexcept { ::operator delete(p); }

void cow_String::Init(const char* s, size_t n) {
  if (n <= kInline) {
    if (n) std::memcpy(rep_, s, n);
    SetSmallSize(n);
    return;
  }
  // Sizes are ints at the interface (Length), so four bytes hold any of them.
  if (n > static_cast<size_t>(INT_MAX)) throw std::length_error("cow_String: longer than INT_MAX bytes");
  char* p = static_cast<char*>(::operator new(n + 1));
  std::memcpy(p, s, n);
  p[n] = 0;
  const uint32_t size = static_cast<uint32_t>(n);
  std::memcpy(rep_, &p, sizeof p);
  std::memcpy(rep_ + 8, &size, sizeof size);
  rep_[kInline] = kLarge;
}

int cow_String::Find(const cow_String& pattern, int start) const {
  if (start < 0 || static_cast<size_t>(start) > Size()) return npos;
  const size_t at = view().find(pattern.view(), static_cast<size_t>(start));
  return at == std::string_view::npos ? npos : static_cast<int>(at);
}

int cow_String::Find(char c, int start) const {
  if (start < 0 || static_cast<size_t>(start) > Size()) return npos;
  const size_t at = view().find(c, static_cast<size_t>(start));
  return at == std::string_view::npos ? npos : static_cast<int>(at);
}

cow_String cow_String::Substr(int pos, int count) const {
  if (pos < 0 || static_cast<size_t>(pos) >= Size() || count == 0) return cow_String();
  const size_t n = count < 0 ? std::string_view::npos : static_cast<size_t>(count);
  return cow_String(view().substr(static_cast<size_t>(pos), n));
}

cow_String cow_String::ToUpper() const {
  std::string u(view());
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return cow_String(u);
}

cow_String& cow_String::append(const cow_String& s) {
  std::string joined(view());
  joined += s.view();
  cow_String result(joined);
  Swap(result);
  return *this;
}

cow_String& cow_String::LeftTrim(const char* set) {
  const std::string_view v = view();
  cow_String result(v.substr(std::min(v.find_first_not_of(set), v.size())));
  Swap(result);
  return *this;
}

cow_String& cow_String::RightTrim(const char* set) {
  const std::string_view v = view();
  const size_t last = v.find_last_not_of(set);
  cow_String result(v.substr(0, last == std::string_view::npos ? 0 : last + 1));
  Swap(result);
  return *this;
}
