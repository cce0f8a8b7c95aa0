// Pages straight from the system, for large arrays that random lookups
// read: mappings that ask for transparent huge pages, a pool of 2 MB chunks
// that hands out pieces of them, and a std::vector allocator on top.
// Internal to the library (not installed): the integer tables and the part
// map's global index use it.
//
// Huge pages are asked for with MADV_HUGEPAGE, which is advice: the kernel
// grants them when /sys/kernel/mm/transparent_hugepage/enabled is `always`
// or `madvise`, and a refusal is harmless (the memory works the same on 4 KB
// pages, only slower to fill and to look up at random), so it is not
// checked. Releasing pages (mem_ReleasePages) is checked: its callers rely
// on the pages reading zero afterwards.
#ifndef KVL_MEM_PAGES_H
#define KVL_MEM_PAGES_H

#include <cstddef>
#include <new>

inline constexpr size_t mem_kHugePage = size_t{2} << 20;

// `bytes` of zero-filled memory starting on a huge page boundary, reserved
// lazily (only the pages written take memory); nullptr when the system
// refuses. Sizes are rounded up to whole pages.
char* mem_MapPages(size_t bytes);
// Gives back pages of mem_MapPages: a whole mapping, or its page-aligned
// head or tail.
void mem_UnmapPages(void* p, size_t bytes);
// Moves the pages of [from, from + bytes) to `to`, the start of a mapping at
// least as large, keeping their contents; [from, from + bytes) is unmapped.
// False, and nothing changed, when the system refuses.
bool mem_MovePages(void* from, size_t bytes, void* to);
// Makes [p, p + bytes) (whole pages of a mapping) read as zero again,
// handing their memory back to the system; where the system refuses to
// drop them, they are zeroed in place instead and keep their memory.
void mem_ReleasePages(void* p, size_t bytes);

// The pool: pieces of 2 MB chunks that ask for huge pages, handed out one
// after the other, for blocks that live about as long as each other (the
// blocks of a loaded part map). A chunk goes back to the system when its
// last piece is freed; one empty chunk is kept for the next load. Shared
// by all threads, under a lock. Pieces are aligned to 64 bytes.
inline constexpr size_t mem_kMaxPoolPiece = size_t{256} << 10;
// Uninitialised memory for `bytes` (at most mem_kMaxPoolPiece), or nullptr.
void* mem_PoolAlloc(size_t bytes);
// Frees a piece of the pool; false (and nothing done) when p is not one.
bool mem_PoolFree(void* p);

// Storage for large std::vector arrays read at random: arrays of a huge
// page or more are mappings of mem_MapPages; smaller ones come from the
// heap.
void* mem_AllocLarge(size_t bytes);
void mem_FreeLarge(void* p, size_t bytes);

template <class T>
struct mem_HugePageAllocator {
  using value_type = T;
  mem_HugePageAllocator() = default;
  template <class U>
  mem_HugePageAllocator(const mem_HugePageAllocator<U>&) {}  // NOLINT: allocators convert implicitly
  T* allocate(size_t n) { return static_cast<T*>(mem_AllocLarge(n * sizeof(T))); }
  void deallocate(T* p, size_t n) { mem_FreeLarge(p, n * sizeof(T)); }
  friend bool operator==(const mem_HugePageAllocator&, const mem_HugePageAllocator&) { return true; }
};

#endif
