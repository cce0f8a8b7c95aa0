// The inline fast paths of the streams of mem.h and the digit kernels they
// are made of. Included by mem.h, at its end; not a header of its own.
//
// The part file of a large model holds tens of millions of integers, so the
// per-value paths (scan_int, print_int, put) work directly on the stream's
// buffer: a number of up to eight digits is read from one 8-byte word, its
// digits found and combined all at once, and written from one word the same
// way.
#ifndef KVL_MEM_DETAIL_H
#define KVL_MEM_DETAIL_H

#ifndef KVL_MEM_H
#error "mem_detail.h is included by mem.h only"
#endif

inline bool aio_is_space(char c) {
  // '\t', '\n', '\v', '\f' and '\r' are 9 to 13.
  return c == ' ' || static_cast<unsigned char>(c - '\t') < 5;
}

inline unsigned aio_digit(char c) { return static_cast<unsigned char>(c) - unsigned{'0'}; }

// The number of leading decimal digits (0 to 8) of the 8 bytes in x (the
// first byte the lowest), all bytes at once. A byte is flagged when it lies
// below '0' or above '9'; bytes before the first flagged one are digits and
// carry no borrow, so the lowest flag is exact.
inline int aio_digit_count(uint64_t x) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kHigh = 0x80 * kOnes;
  const uint64_t below_zero = (x - 0x30 * kOnes) & ~x & kHigh;
  const uint64_t above_nine = (x | ((x & (0x7F * kOnes)) + 0x46 * kOnes)) & kHigh;
  const uint64_t other = below_zero | above_nine;
  return other ? std::countr_zero(other) >> 3 : 8;
}

// The number that the first N (1 to 8) bytes of x form, all of them digits:
// moved to the top so that the bytes below read as leading zeros, then
// pairs, quads and the two halves combined.
inline uint64_t aio_digits_value(uint64_t x, int n) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  uint64_t d = (x - 0x30 * kOnes) << (64 - 8 * n);
  d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FF;
  d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFF;
  return (d * 10000 + (d >> 32)) & 0xFFFFFFFF;
}

// The value of the n (1 to 8) digits at the start of x, with q moved past
// them. Each length is a branch of its own that moves q by a constant: the
// processor predicts the branch (the ids of a file mostly have as many
// digits as their neighbours), so reading the next number need not wait for
// this one's bytes, as it would if q moved by a count computed from them.
inline uint64_t aio_take_digits(uint64_t x, int n, const char*& q) {
  switch (n) {
    case 1: q += 1; return aio_digits_value(x, 1);
    case 2: q += 2; return aio_digits_value(x, 2);
    case 3: q += 3; return aio_digits_value(x, 3);
    case 4: q += 4; return aio_digits_value(x, 4);
    case 5: q += 5; return aio_digits_value(x, 5);
    case 6: q += 6; return aio_digits_value(x, 6);
    case 7: q += 7; return aio_digits_value(x, 7);
    default: q += 8; return aio_digits_value(x, 8);
  }
}

// The eight decimal digits of v (below 10^8, leading zeros included) as the
// bytes of a word, the first digit in the lowest byte: the two halves of four
// digits, then four pairs, then eight digits, each step dividing every lane
// at once by a multiply and a shift.
inline uint64_t aio_eight_digits(uint32_t v) {
  uint64_t x = (v / 10000) | (uint64_t{v % 10000} << 32);
  uint64_t y = ((x * 10486) >> 20) & 0x0000007F0000007F;  // each lane / 100
  x = y | ((x - y * 100) << 16);
  y = ((x * 103) >> 10) & 0x000F000F000F000F;  // each lane / 10
  return y | ((x - y * 10) << 8);
}

// Writes the decimal text of v at p and returns its end. Whole words are
// stored, so 11 bytes from p must be writable ("-2147483648" is the
// longest text).
inline char* aio_format_int(char* p, int v) {
  constexpr uint64_t kZeros = 0x3030303030303030;
  uint32_t u = static_cast<uint32_t>(v);
  if (v < 0) {
    *p++ = '-';
    u = 0u - u;
  }
  if (u >= 100000000) {
    const uint32_t top = u / 100000000;
    if (top >= 10) *p++ = static_cast<char>('0' + top / 10);
    *p++ = static_cast<char>('0' + top % 10);
    const uint64_t d = aio_eight_digits(u % 100000000) + kZeros;
    std::memcpy(p, &d, 8);
    return p + 8;
  }
  const uint64_t d = aio_eight_digits(u);
  const int lead = u ? std::countr_zero(d) >> 3 : 7;  // leading zero digits
  const uint64_t text = (d >> (8 * lead)) + (kZeros >> (8 * lead));
  std::memcpy(p, &text, 8);
  return p + 8 - lead;
}

inline bool aio_istream::scan_int_fast(const char*& p, int& out) const {
  while (p != end_ && aio_is_space(*p)) ++p;
  if (end_ - p < 12) return false;
  bool negative = false;
  const char* q = p;
  if (*q == '-' || *q == '+') {
    negative = *q == '-';
    ++q;
  }
  uint64_t x;
  std::memcpy(&x, q, 8);
  const int n = aio_digit_count(x);
  if (n == 0) return false;
  uint64_t v = aio_take_digits(x, n, q);
  // After eight, at most two more digits; the byte after them is still
  // inside the window.
  for (int more = 0; n == 8 && more < 2 && aio_digit(*q) < 10; ++more, ++q) v = v * 10 + aio_digit(*q);
  if (aio_digit(*q) < 10 || v > uint64_t{2147483647} + negative) return false;
  out = static_cast<int>(negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
  p = q;
  return true;
}

inline int aio_istream::scan_int() {
  if (state_ == 0) {
    const char* p = cur_;
    int v;
    const bool fast = scan_int_fast(p, v);
    cur_ = p;
    if (fast) return v;
  }
  return scan_int_slow();
}

inline int aio_istream::scan_ints(int* out, int n) {
  int i = 0;
  while (i < n) {
    const char* p = cur_;
    while (i < n && state_ == 0) {
      i += scan_int_block(p, out + i, n - i);
      if (i == n || !scan_int_fast(p, out[i])) break;
      ++i;
    }
    cur_ = p;
    if (i == n) break;
    out[i] = scan_int();
    if (fail()) {
      std::fill(out + i + 1, out + n, 0);
      return i;
    }
    ++i;
  }
  return n;
}

inline int aio_istream::scan_int_pairs(int* a, int* b, int n) {
  // Through scan_ints, a piece at a time: the numbers alternate.
  constexpr int kPiece = 128;
  int both[2 * kPiece];
  for (int done = 0; done < n;) {
    const int m = std::min(n - done, kPiece);
    const int got = scan_ints(both, 2 * m);
    const int whole = got / 2;
    for (int k = 0; k < std::min(whole + 1, m); ++k) {
      a[done + k] = both[2 * k];
      b[done + k] = both[2 * k + 1];
    }
    if (got < 2 * m) return done + whole;
    done += m;
  }
  return n;
}

inline aio_ostream& aio_ostream::put(char c) {
  if (width_ == 0 && out_ != out_end_) {
    *out_++ = c;
    return *this;
  }
  write_padded(&c, 1, false);
  return *this;
}

inline aio_ostream& aio_ostream::print_int(int v) {
  if (width_ == 0 && out_end_ - out_ >= 11) {
    out_ = aio_format_int(out_, v);
    return *this;
  }
  return print_int_slow(v);
}

#endif
