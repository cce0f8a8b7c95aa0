// The vector kernels of the streams: bulk integer scanning and formatting,
// each with a portable path and a 512-bit one chosen once at run time.
#include "mem.h"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "kvl_cpu.h"

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
