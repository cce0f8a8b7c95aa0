// Allocation, stream state and the out-of-line parts of the streams.
#include "mem.h"

#include <immintrin.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>

#include "cow.h"
#include "kvl_cpu.h"

// ---------------------------------------------------------------------------
// Allocation

void mem_initialize(int&) {}

void mem_finalize(int&) {}

void* mem_Malloc(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void mem_Free(void* p) { std::free(p); }

void* mem_Realloc(void* p, size_t size) {
  void* q = std::realloc(p, size == 0 ? 1 : size);
  if (q == nullptr) throw std::bad_alloc();
  return q;
}

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

namespace {

// Bit k of each mask stands for byte k of the 64 bytes at p: a decimal
// digit, or white space (blank, \t to \r).
void ByteKinds(const char* p, uint64_t& digits, uint64_t& spaces) {
  digits = spaces = 0;
  const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9);
  const __m128i tab = _mm_set1_epi8('\t'), four = _mm_set1_epi8(4), blank = _mm_set1_epi8(' ');
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    const __m128i d = _mm_sub_epi8(v, zero);
    const __m128i t = _mm_sub_epi8(v, tab);
    const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(d, nine), d);
    const __m128i space = _mm_or_si128(_mm_cmpeq_epi8(v, blank), _mm_cmpeq_epi8(_mm_min_epu8(t, four), t));
    digits |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(digit))) << (16 * k);
    spaces |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(space))) << (16 * k);
  }
}

// The numbers of one 64-byte piece that starts at a number boundary, one at
// a time: `starts` and `lasts` mark the first and last digit of each number
// that ends inside the piece. Stops after the nth number, with p right after
// it, or before a number of more than 8 digits, with p at its start; either
// way answers false. Otherwise answers true with p unchanged.
bool PieceByNumber(const char*& p, uint64_t starts, uint64_t lasts, int* out, int& i, int n) {
  for (; starts; starts &= starts - 1) {
    const int s = std::countr_zero(starts);
    const int len = std::countr_zero(lasts >> s) + 1;
    if (len > 8) {
      p += s;
      return false;
    }
    uint64_t x;
    std::memcpy(&x, p + s, 8);
    out[i++] = static_cast<int>(aio_digits_value(x, len));
    if (i == n) {
      p += s + len;
      return false;
    }
  }
  return true;
}

// The numbers of a piece that are cut off at its end are left for the next
// piece, which starts where they do; a piece of digits only goes to the
// number-by-number path (next stays null).
void CutAtEnd(uint64_t digits, uint64_t& starts, uint64_t& lasts, const char* p, const char*& next) {
  next = p + 64;
  if (!(digits >> 63)) return;
  const int cut = 63 - std::countl_zero(starts);
  next = cut == 0 ? nullptr : p + cut;
  starts &= ~(uint64_t{1} << cut);
  lasts &= ~(uint64_t{1} << 63);
}

// 16 bytes beyond each piece stay readable for the 8-byte loads of its last
// numbers, and the byte after every number is inside the window.
constexpr std::ptrdiff_t kPieceRoom = 80;

int ScanPiecesPortable(const char*& p, const char* end, int* out, int n) {
  int i = 0;
  while (i < n && end - p >= kPieceRoom) {
    uint64_t digits, spaces;
    ByteKinds(p, digits, spaces);
    if (~(digits | spaces)) break;  // a sign or another byte
    // p is at a number boundary, so a digit at byte 0 starts a number.
    uint64_t starts = digits & ~(digits << 1);
    uint64_t lasts = digits & ~(digits >> 1);
    const char* next;
    CutAtEnd(digits, starts, lasts, p, next);
    if (!next || !PieceByNumber(p, starts, lasts, out, i, n)) return i;
    p = next;
  }
  return i;
}

// The same with 512-bit vectors: the first and last digits' positions of a
// piece's numbers are packed into bytes (vpcompressb), and each group of
// eight numbers has its digits gathered right-aligned into 8-byte lanes
// (vpermb) and converted at once: pairs, quads, then the two halves. A piece
// with a number of more than 8 digits, or with more numbers than are still
// wanted, goes number by number.
KVL_WIDE_KERNELS_BEGIN
__attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2"))) int ScanPieces512(const char*& p, const char* end, int* out, int n) {
  alignas(64) static constexpr int8_t kSpread[64] = {  // lane j takes number j / 8
      0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3,
      4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 5, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7};
  alignas(64) static constexpr int8_t kBack[64] = {  // byte j of a lane: last digit - 7 + j
      -7, -6, -5, -4, -3, -2, -1, 0, -7, -6, -5, -4, -3, -2, -1, 0, -7, -6, -5, -4, -3, -2, -1, 0,
      -7, -6, -5, -4, -3, -2, -1, 0, -7, -6, -5, -4, -3, -2, -1, 0, -7, -6, -5, -4, -3, -2, -1, 0,
      -7, -6, -5, -4, -3, -2, -1, 0, -7, -6, -5, -4, -3, -2, -1, 0};
  const __m512i spread = _mm512_load_si512(kSpread), back = _mm512_load_si512(kBack);
  const __m512i iota = _mm512_load_si512(kvl_kBytePositions);
  const __m512i zero = _mm512_set1_epi8('0'), ten = _mm512_set1_epi8(10);
  const __m512i tab = _mm512_set1_epi8('\t'), five = _mm512_set1_epi8(5), blank = _mm512_set1_epi8(' ');
  const __m512i tens = _mm512_set1_epi16(0x010A);             // bytes 10, 1: a pair
  const __m512i hundreds = _mm512_set1_epi32(0x00010064);     // words 100, 1: a quad
  const __m512i tenThousand = _mm512_set1_epi64(10000);
  int i = 0;
  while (i < n && end - p >= kPieceRoom) {
    const __m512i v = _mm512_loadu_si512(p);
    const uint64_t digits = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(v, zero), ten);
    const uint64_t spaces =
        _mm512_cmpeq_epi8_mask(v, blank) | _mm512_cmplt_epu8_mask(_mm512_sub_epi8(v, tab), five);
    if (~(digits | spaces)) break;
    uint64_t starts = digits & ~(digits << 1);
    uint64_t lasts = digits & ~(digits >> 1);
    const char* next;
    CutAtEnd(digits, starts, lasts, p, next);
    if (!next) return i;
    const int k = std::popcount(starts);
    const __m512i first = _mm512_maskz_compress_epi8(starts, iota);
    const __m512i last = _mm512_maskz_compress_epi8(lasts, iota);
    const __mmask64 numbers = k == 64 ? ~__mmask64{0} : (__mmask64{1} << k) - 1;
    if (k > n - i || _mm512_mask_cmpgt_epu8_mask(numbers, _mm512_sub_epi8(last, first), _mm512_set1_epi8(7))) {
      if (!PieceByNumber(p, starts, lasts, out, i, n)) return i;
      p = next;
      continue;
    }
    for (int g = 0; g < k; g += 8) {
      const __m512i pick = _mm512_add_epi8(spread, _mm512_set1_epi8(static_cast<char>(g)));
      const __m512i from = _mm512_add_epi8(_mm512_permutexvar_epi8(pick, last), back);
      const __mmask64 inside = _mm512_cmpge_epi8_mask(from, _mm512_permutexvar_epi8(pick, first));
      const __m512i d = _mm512_maskz_sub_epi8(inside, _mm512_permutexvar_epi8(from, v), zero);
      const __m512i quads = _mm512_madd_epi16(_mm512_maddubs_epi16(d, tens), hundreds);
      const __m512i values = _mm512_add_epi64(_mm512_mul_epu32(quads, tenThousand), _mm512_srli_epi64(quads, 32));
      const int m = std::min(8, k - g);
      _mm256_mask_storeu_epi32(out + i + g, static_cast<__mmask8>((1u << m) - 1), _mm512_cvtepi64_epi32(values));
    }
    i += k;
    if (i == n) {
      // Right after the last number read, as scan_int would leave it.
      p += 64 - std::countl_zero(lasts);
      return i;
    }
    p = next;
  }
  return i;
}
KVL_WIDE_KERNELS_END

}  // namespace

// ---------------------------------------------------------------------------
// Bulk integer formatting

namespace {

char* FormatIntsPortable(char* p, const int* v, int n, char even, char odd) {
  for (int i = 0; i < n; ++i) {
    p = aio_format_int(p, v[i]);
    *p++ = i % 2 ? odd : even;
  }
  return p;
}

KVL_WIDE_KERNELS_BEGIN
// Eight numbers at once: the eight digits of each (aio_eight_digits, lane by
// lane) in a 64-bit lane, spread to 16-byte lanes with the separator at byte
// 8, and the leading zeros squeezed out by vpcompressb, four numbers a
// vector. A group that holds a negative number or one of nine digits or more
// goes one by one.
__attribute__((target("avx512f,avx512bw,avx512dq,avx512cd,avx512vl,avx512vbmi2"))) char* FormatInts512(
    char* p, const int* v, int n, char even, char odd) {
  const __m512i zeros = _mm512_set1_epi64(0x3030303030303030);
  const __m512i lowLimit = _mm512_set1_epi64(uint64_t{1} << 56);  // a units digit of 1: at most 7 leading zeros
  const __m512i spreadLow = _mm512_set_epi64(0, 3, 0, 2, 0, 1, 0, 0);
  const __m512i spreadHigh = _mm512_set_epi64(0, 7, 0, 6, 0, 5, 0, 4);
  // Byte 8 of each 16-byte lane: the separator of number 2k, then 2k + 1.
  const __m512i seps = _mm512_set_epi64(odd, 0, even, 0, odd, 0, even, 0);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + i));
    if (_mm256_cmpge_epu32_mask(w, _mm256_set1_epi32(100000000))) {
      p = FormatIntsPortable(p, v + i, 8, even, odd);
      continue;
    }
    const __m512i u = _mm512_cvtepu32_epi64(w);
    const __m512i q = _mm512_srli_epi64(_mm512_mul_epu32(u, _mm512_set1_epi64(0xD1B71759)), 45);  // u / 10000
    __m512i x = _mm512_or_si512(q, _mm512_slli_epi64(_mm512_sub_epi64(u, _mm512_mullo_epi64(q, _mm512_set1_epi64(10000))), 32));
    __m512i y = _mm512_and_si512(_mm512_srli_epi64(_mm512_mullo_epi64(x, _mm512_set1_epi64(10486)), 20),
                                 _mm512_set1_epi64(0x0000007F0000007F));
    x = _mm512_or_si512(y, _mm512_slli_epi64(_mm512_sub_epi64(x, _mm512_mullo_epi64(y, _mm512_set1_epi64(100))), 16));
    y = _mm512_and_si512(_mm512_srli_epi64(_mm512_mullo_epi64(x, _mm512_set1_epi64(103)), 10),
                         _mm512_set1_epi64(0x000F000F000F000F));
    const __m512i d = _mm512_or_si512(y, _mm512_slli_epi64(_mm512_sub_epi64(x, _mm512_mullo_epi64(y, _mm512_set1_epi64(10))), 8));
    // Leading zero digits: the zero bytes below the lowest set bit.
    const __m512i t = _mm512_or_si512(d, lowLimit);
    const __m512i lowest = _mm512_and_si512(t, _mm512_sub_epi64(_mm512_setzero_si512(), t));
    const __m512i lead = _mm512_srli_epi64(_mm512_sub_epi64(_mm512_set1_epi64(63), _mm512_lzcnt_epi64(lowest)), 3);
    const uint64_t leads = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm512_cvtepi64_epi8(lead)));
    const __m512i text = _mm512_add_epi64(d, zeros);
    for (int half = 0; half < 2; ++half) {
      const __m512i lanes = _mm512_or_si512(_mm512_maskz_permutexvar_epi64(0x55, half ? spreadHigh : spreadLow, text), seps);
      uint64_t keep = 0;  // bytes lead .. 8 of each lane
      for (int k = 0; k < 4; ++k) {
        const unsigned lz = static_cast<unsigned>(leads >> (8 * (4 * half + k))) & 0xFF;
        keep |= uint64_t{(0x1FFu >> lz) << lz} << (16 * k);
      }
      _mm512_storeu_si512(p, _mm512_maskz_compress_epi8(keep, lanes));
      p += std::popcount(keep);
    }
  }
  return FormatIntsPortable(p, v + i, n - i, even, odd);
}
KVL_WIDE_KERNELS_END

}  // namespace

char* aio_format_ints(char* p, const int* v, int n, char even, char odd) {
  static const bool wide = !kvl_PortableKernelsOnly() && __builtin_cpu_supports("avx512f") &&
                           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq") &&
                           __builtin_cpu_supports("avx512cd") && __builtin_cpu_supports("avx512vl") &&
                           __builtin_cpu_supports("avx512vbmi2");
  return wide ? FormatInts512(p, v, n, even, odd) : FormatIntsPortable(p, v, n, even, odd);
}

int aio_istream::scan_int_block(const char*& p, int* out, int n) const {
  static const bool wide = !kvl_PortableKernelsOnly() && __builtin_cpu_supports("avx512bw") &&
                           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi") &&
                           __builtin_cpu_supports("avx512vbmi2");
  return wide ? ScanPieces512(p, end_, out, n) : ScanPiecesPortable(p, end_, out, n);
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
  write_padded(text, static_cast<size_t>(end - text), true);
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
    write_padded(text, static_cast<size_t>(end - text), true);
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

// ---------------------------------------------------------------------------
// aio_ifstream

aio_ifstream::aio_ifstream() = default;

aio_ifstream::aio_ifstream(const char* path) { open(path); }

aio_ifstream::~aio_ifstream() { close(); }

void aio_ifstream::open(const char* path) {
  close();
  if (path != nullptr) {
    do fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
    while (fd_ < 0 && errno == EINTR);
  }
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
    close();
    clear(failbit | badbit);
    return;
  }
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  if (buffer_ == nullptr) buffer_ = static_cast<char*>(mem_Malloc(kBufferSize));
  cur_ = end_ = buffer_;
  at_end_ = false;
  clear();
}

bool aio_ifstream::close() {
  cur_ = end_ = nullptr;
  at_end_ = true;
  mem_Free(buffer_);
  buffer_ = nullptr;
  if (fd_ < 0) return false;
  const bool ok = ::close(fd_) == 0;
  fd_ = -1;
  return ok;
}

bool aio_ifstream::refill() {
  if (at_end_) return false;
  const size_t kept = static_cast<size_t>(end_ - cur_);
  if (kept == kBufferSize) return false;
  std::memmove(buffer_, cur_, kept);
  cur_ = buffer_;
  end_ = buffer_ + kept;
  ssize_t got;
  do got = ::read(fd_, buffer_ + kept, kBufferSize - kept);
  while (got < 0 && errno == EINTR);
  if (got <= 0) {
    if (got < 0) setstate(badbit);
    at_end_ = true;
    return false;
  }
  end_ += got;
  return true;
}

// ---------------------------------------------------------------------------
// aio_ofstream

aio_ofstream::aio_ofstream() {
  out_begin_ = out_ = discard_;
  out_end_ = discard_ + sizeof discard_;
}

aio_ofstream::aio_ofstream(const char* path, bool replace) : aio_ofstream() { open(path, replace); }

aio_ofstream::~aio_ofstream() { close(); }

namespace {

int open_for_writing(const char* path, int flags) {
  int fd;
  do fd = ::open(path, O_WRONLY | O_CLOEXEC | flags, 0666);
  while (fd < 0 && errno == EINTR);
  return fd;
}

// A new file beside `target` whose name no other file has; -1 on failure.
int create_temporary(const std::string& target, std::string& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(counter++);
    const int fd = open_for_writing(name.c_str(), O_CREAT | O_EXCL);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

void aio_ofstream::open(const char* path, bool replace) {
  close();
  clear();
  if (path != nullptr && *path != '\0') {
    struct stat st;
    const bool exists = ::stat(path, &st) == 0;
    if (replace && (!exists || S_ISREG(st.st_mode))) {
      // Through a symbolic link the file replaced is the one it names.
      char* real = exists ? ::realpath(path, nullptr) : nullptr;
      target_ = real != nullptr ? real : path;
      std::free(real);
      fd_ = create_temporary(target_, temporary_);
      if (fd_ >= 0 && exists) ::fchmod(fd_, st.st_mode & 07777);
      if (fd_ < 0) {
        target_.clear();
        temporary_.clear();
      }
    } else {
      fd_ = open_for_writing(path, O_CREAT | O_TRUNC);
    }
  }
  if (fd_ < 0) {
    setstate(failbit | badbit);
    return;
  }
  buffer_ = static_cast<char*>(mem_Malloc(kBufferSize));
  out_begin_ = out_ = buffer_;
  out_end_ = buffer_ + kBufferSize;
}

bool aio_ofstream::close() {
  bool ok = fd_ >= 0;
  if (ok) {
    flush_buffer(0);
    ok = !bad();
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    if (!temporary_.empty()) {
      if (ok && std::rename(temporary_.c_str(), target_.c_str()) != 0) ok = false;
      if (!ok) ::unlink(temporary_.c_str());
      temporary_.clear();
      target_.clear();
    }
    if (!ok) setstate(badbit);
  }
  mem_Free(buffer_);
  buffer_ = nullptr;
  out_begin_ = out_ = discard_;
  out_end_ = discard_ + sizeof discard_;
  return ok;
}

void aio_ofstream::flush_buffer(size_t) {
  // The buffer is emptied completely, which always leaves room enough.
  const char* p = out_begin_;
  size_t n = static_cast<size_t>(out_ - out_begin_);
  out_ = out_begin_;
  if (fd_ < 0) {
    // Text written while no file is open is lost.
    if (n > 0) setstate(badbit);
    return;
  }
  while (n > 0 && !bad()) {
    const ssize_t put = ::write(fd_, p, n);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      setstate(badbit);
      break;
    }
    p += put;
    n -= static_cast<size_t>(put);
  }
}
