// Allocation that throws std::bad_alloc instead of answering null.
#include "mem.h"

#include <cstdlib>
#include <new>

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
