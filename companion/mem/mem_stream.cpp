// Stream state, the scanning and printing of aio_istream and aio_ostream,
// and the string streams.
#include "mem.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "cow.h"

// ---------------------------------------------------------------------------
// aio_ios

aio_ios::~aio_ios() = default;

int aio_ios::setf(int flags, int mask) {
  const int old = flags_;
  flags_ = mask == 0 ? (flags_ | flags) : ((flags_ & ~mask) | (flags & mask));
  return old;
}

int aio_ios::width(int w) {
  const int old = width_;
  width_ = w < 0 ? 0 : w;
  return old;
}

bool aio_ios::close() { return !bad(); }

// ---------------------------------------------------------------------------
// aio_istream

bool aio_istream::refill() { return false; }

// Skips white space, refilling as needed; false (with eofbit|failbit) when
// the input ends first.
bool aio_istream::skip_space() {
  for (;;) {
    while (cur_ != end_ && aio_is_space(*cur_)) ++cur_;
    if (cur_ != end_) return true;
    if (!refill()) {
      setstate(eofbit | failbit);
      return false;
    }
  }
}

int aio_istream::scan_int_slow() {
  if (fail() || !skip_space()) return 0;
  bool negative = false;
  if (*cur_ == '-' || *cur_ == '+') {
    negative = *cur_ == '-';
    ++cur_;
  }
  // Digits are consumed one at a time so that a number may span refills and
  // any number of leading zeros; the value saturates just above the int32
  // range so that an overlong number is still consumed whole.
  constexpr uint64_t kSaturated = uint64_t{1} << 32;
  uint64_t v = 0;
  bool any = false;
  for (;;) {
    if (cur_ == end_ && !refill()) {
      setstate(eofbit);
      break;
    }
    const unsigned d = aio_digit(*cur_);
    if (d >= 10) break;
    any = true;
    v = v * 10 + d;
    if (v > kSaturated) v = kSaturated;
    ++cur_;
  }
  if (!any || v > uint64_t{2147483647} + negative) {
    setstate(failbit);
    return 0;
  }
  return static_cast<int>(negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
}

double aio_istream::scan_double() {
  if (fail() || !skip_space()) return 0;
  // The number's text is scanned in place, by offset from cur_: the window
  // grows (keeping the bytes from cur_) whenever the scan reaches its end,
  // so looking ahead and backing off (an exponent marker without digits)
  // work across refills.
  bool at_end = false;
  bool too_long = false;
  auto at = [&](size_t k) -> int {
    if (k >= static_cast<size_t>(kMaxNumberText)) {
      too_long = true;
      return -1;
    }
    while (cur_ + k >= end_) {
      if (at_end || !refill()) {
        at_end = true;
        return -1;
      }
    }
    return static_cast<unsigned char>(cur_[k]);
  };
  auto lower = [](int c) { return c | 0x20; };
  auto is_digit = [](int c) { return c >= '0' && c <= '9'; };
  auto is_alnum = [&](int c) { return is_digit(c) || (lower(c) >= 'a' && lower(c) <= 'z'); };

  const bool negative = at(0) == '-';
  const size_t start = negative || at(0) == '+' ? 1 : 0;
  size_t end = start;  // end of the accepted text
  size_t k = start;
  size_t digits = 0;
  for (; is_digit(at(k)); ++k) ++digits;
  if (at(k) == '.')
    for (++k; is_digit(at(k)); ++k) ++digits;
  if (digits > 0) {
    end = k;
    if (lower(at(k)) == 'e') {
      size_t e = k + 1;
      if (at(e) == '-' || at(e) == '+') ++e;
      if (is_digit(at(e))) {
        while (is_digit(at(e))) ++e;
        end = e;
      }
    }
  } else {
    auto word = [&](const char* w) {
      for (size_t i = 0; w[i] != '\0'; ++i)
        if (lower(at(start + i)) != w[i]) return false;
      return true;
    };
    if (word("infinity")) {
      end = start + 8;
    } else if (word("inf")) {
      end = start + 3;
    } else if (word("nan")) {
      end = start + 3;
      if (at(end) == '(') {
        size_t j = end + 1;
        while (is_alnum(at(j)) || at(j) == '_') ++j;
        if (at(j) == ')') end = j + 1;
      }
    }
  }
  if (at_end) setstate(eofbit);
  if (too_long) {
    cur_ += std::min<size_t>(kMaxNumberText, end_ - cur_);
    setstate(failbit);
    return 0;
  }
  const char* first = cur_ + start;
  const char* last = cur_ + end;
  cur_ = last;
  double value = 0;
  if (end == start || std::from_chars(first, last, value).ec != std::errc()) {
    setstate(failbit);
    return 0;
  }
  return negative ? -value : value;
}

aio_istream& aio_istream::getline(char* buf, int size) {
  gcount_ = 0;
  if (buf == nullptr || size < 1) {
    setstate(failbit);
    return *this;
  }
  const size_t room = static_cast<size_t>(size) - 1;
  size_t n = 0;
  if (!fail()) {
    bool any = false;
    for (;;) {
      if (cur_ == end_ && !refill()) {
        setstate(any ? eofbit : eofbit | failbit);
        break;
      }
      any = true;
      const size_t avail = static_cast<size_t>(end_ - cur_);
      const void* nl = std::memchr(cur_, '\n', avail);
      const size_t len = nl ? static_cast<size_t>(static_cast<const char*>(nl) - cur_) : avail;
      if (len > room - n) {
        std::memcpy(buf + n, cur_, room - n);
        cur_ += room - n;
        n = room;
        setstate(failbit);
        break;
      }
      std::memcpy(buf + n, cur_, len);
      n += len;
      cur_ += len;
      if (nl) {
        ++cur_;
        break;
      }
    }
  }
  buf[n] = '\0';
  gcount_ = static_cast<int>(n);
  return *this;
}

// ---------------------------------------------------------------------------
// aio_ostream

void aio_ostream::write_bytes(const char* s, size_t n) {
  while (n > 0) {
    if (out_ == out_end_) flush_buffer(1);
    const size_t k = std::min(n, static_cast<size_t>(out_end_ - out_));
    std::memcpy(out_, s, k);
    out_ += k;
    s += k;
    n -= k;
  }
}

void aio_ostream::write_padded(const char* s, size_t n, bool right_align) {
  const size_t w = static_cast<size_t>(width_);
  width_ = 0;
  const size_t pad = w > n ? w - n : 0;
  if (!right_align) write_bytes(s, n);
  for (size_t i = 0; i < pad; ++i) {
    if (out_ == out_end_) flush_buffer(1);
    *out_++ = ' ';
  }
  if (right_align) write_bytes(s, n);
}

aio_ostream& aio_ostream::print_int_slow(int v) {
  char text[16];
  const char* end = std::to_chars(text, text + sizeof text, v).ptr;
  write_padded(text, static_cast<size_t>(end - text), (flags_ & left) == 0);
  return *this;
}

aio_ostream& aio_ostream::print(const char* s) { return print(s, s == nullptr ? 0 : std::strlen(s)); }

aio_ostream& aio_ostream::print(const char* s, size_t n) {
  if (s == nullptr) n = 0;
  if (width_ == 0)
    write_bytes(s, n);
  else
    write_padded(s, n, false);
  return *this;
}

aio_ostream& aio_ostream::print_double(double v) {
  if (width_ == 0 && static_cast<size_t>(out_end_ - out_) >= kMinRoom) {
    out_ = std::to_chars(out_, out_end_, v).ptr;
  } else {
    char text[kMinRoom];
    const char* end = std::to_chars(text, text + sizeof text, v).ptr;
    write_padded(text, static_cast<size_t>(end - text), (flags_ & left) == 0);
  }
  return *this;
}

aio_ostream& aio_ostream::flush() {
  flush_buffer(0);
  return *this;
}

aio_ostream& operator<<(aio_ostream& os, const cow_String& s) {
  return os.print(s.c_str(), static_cast<size_t>(s.Length()));
}

// ---------------------------------------------------------------------------
// String streams

aio_istringstream::aio_istringstream(std::string text) : text_(std::move(text)) {
  cur_ = text_.data();
  end_ = cur_ + text_.size();
  unread_ = 0;
}

aio_ostringstream::aio_ostringstream() : text_(kBufferSize / 64, '\0') {
  out_begin_ = out_ = text_.data();
  out_end_ = out_begin_ + text_.size();
}

void aio_ostringstream::flush_buffer(size_t room) {
  // The text stays in place; only growing the string moves it.
  const size_t used = static_cast<size_t>(out_ - out_begin_);
  if (text_.size() - used < room) {
    text_.resize(std::max(2 * text_.size(), used + kMinRoom));
    out_begin_ = text_.data();
    out_ = out_begin_ + used;
    out_end_ = out_begin_ + text_.size();
  }
}
