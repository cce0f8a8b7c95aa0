// Mappings, the pool of huge-page chunks and large arrays.
#include "mem_pages.h"

#include <sanitizer/asan_interface.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace {

size_t WholePages(size_t bytes) {
  static const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  return (bytes + page - 1) / page * page;
}

class Pool {
 public:
#if defined(__SANITIZE_ADDRESS__)
  static constexpr size_t kRedZone = 64;  // poisoned bytes after each piece
#else
  static constexpr size_t kRedZone = 0;
#endif

  static Pool& Get() {
    static Pool* pool = new Pool();  // never destroyed: tables may outlive static destruction
    return *pool;
  }

  void* Alloc(size_t bytes) {
    const size_t rounded = ((bytes + 63) & ~size_t{63}) + kRedZone;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!current_ || mem_kHugePage - current_->used < rounded) {
      if (spare_) {
        current_ = std::exchange(spare_, nullptr);
      } else {
        char* base = mem_MapPages(mem_kHugePage);
        if (!base) return nullptr;
        // Under AddressSanitizer, what is not handed out reads as poisoned,
        // so that running past a block is caught as it is on the heap.
        ASAN_POISON_MEMORY_REGION(base, mem_kHugePage);
        current_ = &chunks_[reinterpret_cast<uintptr_t>(base)];
        current_->base = base;
      }
    }
    char* p = current_->base + current_->used;
    current_->used += rounded;
    ++current_->live;
    ASAN_UNPOISON_MEMORY_REGION(p, bytes);
    return p;
  }

  bool Free(void* p) {
    const uintptr_t base = reinterpret_cast<uintptr_t>(p) & ~(mem_kHugePage - 1);
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = chunks_.find(base);
    if (it == chunks_.end()) return false;
    Chunk& c = it->second;
    if (--c.live > 0) return true;
    ASAN_POISON_MEMORY_REGION(c.base, c.used);
    if (&c == current_ || !spare_) {
      c.used = 0;  // handed out again from its start
      if (&c != current_) spare_ = &c;
      return true;
    }
    ASAN_UNPOISON_MEMORY_REGION(c.base, mem_kHugePage);
    mem_UnmapPages(c.base, mem_kHugePage);
    chunks_.erase(it);
    return true;
  }

 private:
  struct Chunk {
    char* base = nullptr;
    size_t used = 0;  // bytes handed out from base
    size_t live = 0;  // pieces not yet freed
  };
  std::mutex mutex_;
  std::unordered_map<uintptr_t, Chunk> chunks_;  // by base address
  Chunk* current_ = nullptr;
  Chunk* spare_ = nullptr;
};

}  // namespace

// The mapping starts on a huge page boundary, so that its huge pages line up
// with those of a mapping whose pages are moved into it (mem_MovePages).
char* mem_MapPages(size_t bytes) {
  bytes = WholePages(bytes);
  const size_t span = bytes + mem_kHugePage;
  void* p = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  char* const start = static_cast<char*>(p);
  char* const mem = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + mem_kHugePage - 1) & ~(mem_kHugePage - 1));
  if (mem != start) ::munmap(start, static_cast<size_t>(mem - start));
  ::munmap(mem + bytes, static_cast<size_t>(start + span - (mem + bytes)));
  // Advice only, unchecked: see mem_pages.h.
  ::madvise(mem, bytes, MADV_HUGEPAGE);
  return mem;
}

void mem_UnmapPages(void* p, size_t bytes) { ::munmap(p, WholePages(bytes)); }

bool mem_MovePages(void* from, size_t bytes, void* to) {
  return ::mremap(from, bytes, bytes, MREMAP_MAYMOVE | MREMAP_FIXED, to) != MAP_FAILED;
}

void mem_ReleasePages(void* p, size_t bytes) {
  if (::madvise(p, bytes, MADV_DONTNEED) != 0) std::memset(p, 0, bytes);
}

void* mem_PoolAlloc(size_t bytes) { return bytes <= mem_kMaxPoolPiece ? Pool::Get().Alloc(bytes) : nullptr; }

bool mem_PoolFree(void* p) { return Pool::Get().Free(p); }

void* mem_AllocLarge(size_t bytes) {
  if (bytes < mem_kHugePage) return ::operator new(bytes);
  void* p = mem_MapPages(bytes);
  if (!p) throw std::bad_alloc();
  return p;
}

void mem_FreeLarge(void* p, size_t bytes) {
  if (bytes < mem_kHugePage)
    ::operator delete(p);
  else
    mem_UnmapPages(p, bytes);
}
