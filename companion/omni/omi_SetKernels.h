// Internal to the bit vectors (omi_Set.cpp): their vector kernels. The
// word-wise ones are inline, so that each container operation runs its loop
// in place; the others are in omi_SetKernels.cpp.
#ifndef KVL_OMI_SETKERNELS_H
#define KVL_OMI_SETKERNELS_H

#include <immintrin.h>

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "kvl_cpu.h"

inline constexpr unsigned omi_kBitmapWords = 1024;  // 65536 bits

// Word-wise kernels over two 65536-bit bitmaps; each leaves the result in
// `a` and returns its number of members. The portable form makes two passes:
// the combining loop vectorises, and the counting one then reads words still
// in the first level cache, four counts at a time (the build targets
// processors with a population count instruction). Processors with 512-bit
// vectors and a vector population count combine and count eight words per
// instruction in one pass; the form is chosen once, at first use.
template <class Op>
inline unsigned omi_CombineWordsPortable(uint64_t* a, const uint64_t* b) {
  const Op op;
  for (unsigned i = 0; i < omi_kBitmapWords; ++i) a[i] = op(a[i], b[i]);
  unsigned n0 = 0, n1 = 0, n2 = 0, n3 = 0;
  for (unsigned i = 0; i < omi_kBitmapWords; i += 4) {
    n0 += static_cast<unsigned>(__builtin_popcountll(a[i]));
    n1 += static_cast<unsigned>(__builtin_popcountll(a[i + 1]));
    n2 += static_cast<unsigned>(__builtin_popcountll(a[i + 2]));
    n3 += static_cast<unsigned>(__builtin_popcountll(a[i + 3]));
  }
  return n0 + n1 + n2 + n3;
}

struct omi_OrOp {
  uint64_t operator()(uint64_t x, uint64_t y) const { return x | y; }
};
struct omi_AndOp {
  uint64_t operator()(uint64_t x, uint64_t y) const { return x & y; }
};
struct omi_AndNotOp {
  uint64_t operator()(uint64_t x, uint64_t y) const { return x & ~y; }
};

template <class Op>
__attribute__((target("avx512f,avx512vpopcntdq"))) inline unsigned omi_CombineWords512(uint64_t* a, const uint64_t* b) {
  __m512i n = _mm512_setzero_si512();
  for (unsigned i = 0; i < omi_kBitmapWords; i += 8) {
    __m512i x = _mm512_loadu_si512(a + i);
    const __m512i y = _mm512_loadu_si512(b + i);
    if constexpr (std::is_same_v<Op, omi_OrOp>)
      x |= y;
    else if constexpr (std::is_same_v<Op, omi_AndOp>)
      x &= y;
    else
      x &= ~y;
    _mm512_storeu_si512(a + i, x);
    n = _mm512_add_epi64(n, _mm512_popcnt_epi64(x));
  }
  uint64_t lanes[8];
  _mm512_storeu_si512(lanes, n);
  uint64_t total = 0;
  for (uint64_t lane : lanes) total += lane;
  return static_cast<unsigned>(total);
}

inline bool omi_HasVectorPopcount() {
  static const bool has =
      !kvl_PortableKernelsOnly() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vpopcntdq");
  return has;
}

template <class Op>
inline unsigned omi_CombineWords(uint64_t* a, const uint64_t* b) {
  return omi_HasVectorPopcount() ? omi_CombineWords512<Op>(a, b) : omi_CombineWordsPortable<Op>(a, b);
}

inline unsigned omi_OrWords(uint64_t* a, const uint64_t* b) { return omi_CombineWords<omi_OrOp>(a, b); }
inline unsigned omi_AndWords(uint64_t* a, const uint64_t* b) { return omi_CombineWords<omi_AndOp>(a, b); }
inline unsigned omi_AndNotWords(uint64_t* a, const uint64_t* b) { return omi_CombineWords<omi_AndNotOp>(a, b); }
// The members of a bitmap.
unsigned omi_CountBits(const uint64_t* words);

// The lows that both ascending arrays of distinct lows hold, written to
// `out` (room for na + 8), ascending; returns their number. Eight lows of
// each side are compared at once (the SSE4.2 string compare of 16-bit words,
// "equal any", with explicit lengths so that a low of 0 counts), and those
// of `a` found among the eight of `b` are packed to the front and stored.
// The side whose eighth low is smaller moves on (both on a tie), so every
// two groups that could share a low meet once and the output ascends; a
// scalar merge takes what is left when either side has fewer than eight.
unsigned omi_IntersectLows(const uint16_t* a, unsigned na, const uint16_t* b, unsigned nb, uint16_t* out);

// The ids of `count` words of a bitmap (bit k of word w is id first + 64w +
// k), ascending, from `out`; returns the end.
int* omi_BitmapIds(const uint64_t* words, unsigned count, int first, int* out);

// The word whose bit k is the top bit of byte k of the 64 at p.
inline uint64_t omi_PackMarks(const uint8_t* p) {
  uint64_t word = 0;
  for (unsigned k = 0; k < 4; ++k) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    word |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(bytes))) << (16 * k);
  }
  return word;
}

// 64 KB per thread that unites long runs: a byte per low of a container.
uint8_t* omi_MarkScratch();

// ORs the bits of n ascending lows (lowOf(k) the k-th, n > 0) into a
// bitmap's words when they are several to a word, and says whether it did;
// fewer lows are left to the caller's loop. With several lows to a word, a
// loop that gathers a word's bits and stores them where the word ends
// mispredicts at nearly every word end, and one that sets each bit in memory
// waits on the previous store to the same word. Here each low marks its byte
// of a per-thread scratch (independent stores), and the marks of the words
// the lows span are packed into bits afterwards.
template <class LowOf>
bool omi_MarkLows(uint64_t* words, unsigned n, LowOf lowOf) {
  const unsigned first = lowOf(0) >> 6, last = lowOf(n - 1) >> 6;
  if (n < 2 * (last - first + 1)) return false;
  uint8_t* marks = omi_MarkScratch();
  std::memset(marks + first * 64, 0, (last - first + 1) * 64);
  for (unsigned k = 0; k < n; ++k) marks[lowOf(k)] = 0x80;
  for (unsigned w = first; w <= last; ++w) words[w] |= omi_PackMarks(marks + w * 64);
  return true;
}

#endif
