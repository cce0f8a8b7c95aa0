#include "atr.h"

#include <cctype>
#include <charconv>

void atr_initialize(int&) {}
void atr_finalize(int&) {}

atr_String::atr_String(int v) : s_(std::to_string(v)) {}

atr_String::atr_String(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  s_.assign(buf, r.ptr);
}

int atr_String::Find(const atr_String& pattern, int start) const {
  if (start < 0 || static_cast<size_t>(start) > s_.size()) return npos;
  const size_t at = s_.find(pattern.s_, static_cast<size_t>(start));
  return at == std::string::npos ? npos : static_cast<int>(at);
}

atr_String atr_String::Substr(int pos, int count) const {
  if (pos < 0 || static_cast<size_t>(pos) >= s_.size() || count == 0) return atr_String();
  return atr_String(s_.substr(static_cast<size_t>(pos), count < 0 ? std::string::npos : static_cast<size_t>(count)));
}

atr_String& atr_String::ToUpper() {
  for (char& c : s_) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return *this;
}

atr_String& atr_String::LeftTrim(const char* set) {
  s_.erase(0, std::min(s_.find_first_not_of(set), s_.size()));
  return *this;
}

atr_String& atr_String::RightTrim(const char* set) {
  const size_t last = s_.find_last_not_of(set);
  s_.erase(last == std::string::npos ? 0 : last + 1);
  return *this;
}

atr_String& atr_String::Erase(int pos, int count) {
  if (pos < 0 || static_cast<size_t>(pos) >= s_.size() || count <= 0) return *this;
  s_.erase(static_cast<size_t>(pos), static_cast<size_t>(count));
  return *this;
}

atr_String& atr_String::ReplaceNonTranslated(int k, const atr_String& value) {
  if (k == 0) {
    const size_t at = s_.find("%s");
    if (at != std::string::npos) s_.replace(at, 2, value.s_);
    return *this;
  }
  if (k < 1 || k > 9) return *this;
  const char placeholder[] = {'%', static_cast<char>('0' + k), '$', 's', '\0'};
  const size_t length = sizeof placeholder - 1;
  std::string out;
  size_t from = 0;
  for (size_t at; (at = s_.find(placeholder, from, length)) != std::string::npos; from = at + length)
    out.append(s_, from, at - from).append(value.s_);
  out.append(s_, from);
  s_ = std::move(out);
  return *this;
}

void atr_translate::Substitute(int k, const atr_String& value) {
  if (k < 1) return;
  if (values_.size() < static_cast<size_t>(k)) values_.resize(static_cast<size_t>(k));
  values_[static_cast<size_t>(k - 1)] = {true, value.str()};
}

atr_String atr_translate::Result() const {
  std::string out;
  size_t next = 0;  // index of the next sequential conversion
  const std::string& f = format_;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '%' || i + 1 >= f.size()) {
      out += f[i];
      continue;
    }
    if (f[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // "%k$s" / "%k$d": explicit position.
    size_t j = i + 1;
    size_t pos = 0;
    while (j < f.size() && std::isdigit(static_cast<unsigned char>(f[j])) && pos < 100) pos = pos * 10 + static_cast<size_t>(f[j++] - '0');
    size_t index;
    size_t end;
    if (pos > 0 && j + 1 < f.size() && f[j] == '$' && (f[j + 1] == 's' || f[j + 1] == 'd')) {
      index = pos - 1;
      end = j + 2;
    } else if (f[i + 1] == 's' || f[i + 1] == 'd') {
      index = next++;
      end = i + 2;
    } else {
      out += f[i];
      continue;
    }
    if (index < values_.size() && values_[index].first)
      out += values_[index].second;
    else
      out.append(f, i, end - i);
    i = end - 1;
  }
  return atr_String(std::move(out));
}
