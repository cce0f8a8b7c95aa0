#include "kvl_CountingNew.h"

#include <cstdlib>
#include <new>

namespace {
long g_allocations = 0;
}

// Kept out of line so that the compiler never pairs an inlined malloc with a
// delete expression.
[[gnu::noinline]] void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  ++g_allocations;
  return std::malloc(n ? n : 1);
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

long kvl_Allocations() { return g_allocations; }
