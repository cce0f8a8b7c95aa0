// The bit vectors' vector kernels: word-wise set algebra over bitmaps, the
// intersection of arrays of lows, and the ids of a bitmap, each with a
// portable form and, where it pays, a 512-bit one chosen once at first use.
#include "omi_SetKernels.h"

#include <immintrin.h>

#include <bit>
#include <memory>
#include <type_traits>

#include "kvl_cpu.h"

namespace {

constexpr unsigned kWordCount = omi_kBitmapWords;

// Byte shuffles that pack the 16-bit lanes of a mask to the front: lane k
// of the vector is kept when bit k of the mask is set.
struct PackTable {
  alignas(16) uint8_t control[256][16];
  constexpr PackTable() : control() {
    for (unsigned mask = 0; mask < 256; ++mask) {
      unsigned at = 0;
      for (unsigned lane = 0; lane < 8; ++lane) {
        if (!(mask >> lane & 1)) continue;
        control[mask][at++] = static_cast<uint8_t>(2 * lane);
        control[mask][at++] = static_cast<uint8_t>(2 * lane + 1);
      }
      while (at < 16) control[mask][at++] = 0x80;
    }
  }
};
constexpr PackTable kPack;

// The ids of a bitmap container's words (bit k of word w is id first + 64w + k),
// ascending, from `out`; returns the end.
int* BitmapIdsPortable(const uint64_t* words, unsigned count, int first, int* out) {
  for (unsigned w = 0; w < count; ++w)
    for (uint64_t word = words[w]; word; word &= word - 1)
      *out++ = first + static_cast<int>(w * 64 + static_cast<unsigned>(__builtin_ctzll(word)));
  return out;
}

KVL_WIDE_KERNELS_BEGIN
// The same with 512-bit vectors: a word's bit positions packed into bytes
// (vpcompressb), widened to ints sixteen at a time, offset and stored with a
// mask, so that nothing is written past the last id.
__attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi2"))) int* BitmapIds512(const uint64_t* words,
                                                                                  unsigned count, int first,
                                                                                  int* out) {
  const __m512i iota = _mm512_load_si512(kvl_kBytePositions);
  for (unsigned w = 0; w < count; ++w) {
    const uint64_t word = words[w];
    if (!word) continue;
    const __m512i positions = _mm512_maskz_compress_epi8(word, iota);
    const __m512i base = _mm512_set1_epi32(first + static_cast<int>(w * 64));
    const int n = std::popcount(word);
    for (int k = 0; k < n; k += 16) {
      __m128i bytes = _mm512_castsi512_si128(positions);
      if (k == 16) bytes = _mm512_extracti32x4_epi32(positions, 1);
      if (k == 32) bytes = _mm512_extracti32x4_epi32(positions, 2);
      if (k == 48) bytes = _mm512_extracti32x4_epi32(positions, 3);
      const __mmask16 lanes = n - k >= 16 ? __mmask16{0xFFFF} : static_cast<__mmask16>((1u << (n - k)) - 1);
      _mm512_mask_storeu_epi32(out + k, lanes, _mm512_add_epi32(_mm512_cvtepu8_epi32(bytes), base));
    }
    out += n;
  }
  return out;
}
KVL_WIDE_KERNELS_END

bool HasByteCompress() {
  static const bool has = !kvl_PortableKernelsOnly() && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi2");
  return has;
}



}  // namespace

unsigned omi_IntersectLows(const uint16_t* a, unsigned na, const uint16_t* b, unsigned nb, uint16_t* out) {
  unsigned i = 0, j = 0, n = 0;
  while (i + 8 <= na && j + 8 <= nb) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + j));
    const unsigned mask = static_cast<unsigned>(
        _mm_cvtsi128_si32(_mm_cmpestrm(vb, 8, va, 8, _SIDD_UWORD_OPS | _SIDD_CMP_EQUAL_ANY | _SIDD_BIT_MASK)));
    const __m128i control = _mm_load_si128(reinterpret_cast<const __m128i*>(kPack.control[mask & 0xFFu]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_shuffle_epi8(va, control));
    n += static_cast<unsigned>(__builtin_popcount(mask & 0xFFu));
    const uint16_t lastA = a[i + 7], lastB = b[j + 7];
    i += lastA <= lastB ? 8 : 0;
    j += lastB <= lastA ? 8 : 0;
  }
  while (i < na && j < nb) {
    const uint16_t x = a[i], y = b[j];
    out[n] = x;
    n += x == y;
    i += x <= y;
    j += y <= x;
  }
  return n;
}

unsigned omi_CountBits(const uint64_t* words) {
  unsigned count = 0;
  for (unsigned w = 0; w < kWordCount; ++w) count += static_cast<unsigned>(__builtin_popcountll(words[w]));
  return count;
}


// 64 KB per thread that unites long runs: a byte per low of a container.
uint8_t* omi_MarkScratch() {
  static thread_local const std::unique_ptr<uint8_t[]> scratch(new uint8_t[kWordCount * 64]);
  return scratch.get();
}

int* omi_BitmapIds(const uint64_t* words, unsigned count, int first, int* out) {
  return HasByteCompress() ? BitmapIds512(words, count, first, out) : BitmapIdsPortable(words, count, first, out);
}
