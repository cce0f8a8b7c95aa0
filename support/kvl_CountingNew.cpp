#include "kvl_CountingNew.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace {
long g_allocations = 0;
long g_live = 0;
long g_peak = 0;

void* Counted(void* p) {
  if (p) {
    ++g_allocations;
    g_live += static_cast<long>(malloc_usable_size(p));
    if (g_live > g_peak) g_peak = g_live;
  }
  return p;
}

void Release(void* p) {
  if (p) g_live -= static_cast<long>(malloc_usable_size(p));
  std::free(p);
}
}  // namespace

// Kept out of line so that the compiler never pairs an inlined malloc with a
// delete expression.
[[gnu::noinline]] void* operator new(std::size_t n) {
  if (void* p = Counted(std::malloc(n ? n : 1))) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  return Counted(std::malloc(n ? n : 1));
}
[[gnu::noinline]] void operator delete(void* p) noexcept { Release(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { Release(p); }

long kvl_Allocations() { return g_allocations; }
long kvl_LiveBytes() { return g_live; }
long kvl_PeakBytes() { return g_peak; }
void kvl_ResetPeakBytes() { g_peak = g_live; }
