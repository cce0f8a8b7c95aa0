// Choice between the 512-bit kernels and their portable twins. The wide
// kernels run when the processor has their instructions, unless the
// environment variable INPM_PORTABLE_KERNELS is set to anything but "" or
// "0": then every kernel takes its portable path, which is how the tests
// cover that path on machines that have the instructions, and how a user
// can rule the wide kernels out when chasing a fault.
#ifndef KVL_CPU_H
#define KVL_CPU_H

#include <cstdlib>

inline bool kvl_PortableKernelsOnly() {
  static const bool only = [] {
    const char* v = std::getenv("INPM_PORTABLE_KERNELS");
    return v != nullptr && *v != '\0' && !(v[0] == '0' && v[1] == '\0');
  }();
  return only;
}

#endif
