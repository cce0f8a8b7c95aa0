// Choice between the 512-bit kernels and their portable twins. The wide
// kernels run when the processor has their instructions, unless the
// environment variable INPM_PORTABLE_KERNELS is set to anything but "" or
// "0": then every kernel takes its portable path, which is how the tests
// cover that path on machines that have the instructions, and how a user
// can rule the wide kernels out when chasing a fault.
#ifndef KVL_CPU_H
#define KVL_CPU_H

#include <cstdint>
#include <cstdlib>

// The byte positions 0 to 63, the table that byte-compressing kernels pack
// bit positions from.
alignas(64) inline constexpr int8_t kvl_kBytePositions[64] = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
    22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
    44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};

// Around the 512-bit kernels: GCC's own intrinsics start from an undefined
// vector, which its flow analysis then reports as used uninitialized.
#if defined(__GNUC__) && !defined(__clang__)
#define KVL_WIDE_KERNELS_BEGIN \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"")
#define KVL_WIDE_KERNELS_END _Pragma("GCC diagnostic pop")
#else
#define KVL_WIDE_KERNELS_BEGIN
#define KVL_WIDE_KERNELS_END
#endif

inline bool kvl_PortableKernelsOnly() {
  static const bool only = [] {
    const char* v = std::getenv("INPM_PORTABLE_KERNELS");
    return v != nullptr && *v != '\0' && !(v[0] == '0' && v[1] == '\0');
  }();
  return only;
}

#endif
