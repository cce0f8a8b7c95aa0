// The integer tables' cold paths: block growth, form changes, removal,
// copying and the ascending walk. Lookups and inserts into a dense block's
// range are inline in omi_IntTable_detail.h.
#include "omi_IntTable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "mem.h"
#include "mem_pages.h"

namespace {

constexpr unsigned kBlockKeys = 65536;

// Memory for a dense block that a table gets whole, from bulk loads (a part
// file holds thousands of them) and copies: from the pool of huge-page
// chunks for id tables (`pooled`) when it is small enough for it, else from
// the heap. A loaded model then costs a page fault per 2 MB instead of one
// per 4 KB, which is most of the time of a first load where faults are
// expensive (virtual machines). Blocks that grow by inserts stay on the
// heap. The release of block memory looks only a pooled table's blocks up
// in the pool.
void* WholeBlockMemory(size_t bytes, bool pooled) {
  if (pooled)
    if (void* p = mem_PoolAlloc(bytes)) return p;
  return mem_Malloc(bytes);
}

void FreeBlockMemory(void* p, bool mayBePooled) {
  if (!mayBePooled || !mem_PoolFree(p)) mem_Free(p);
}

// Bucket shift for a packed block of `cap` entries: at least one bucket per
// two entries, so that a bucket rarely holds more than the lookup window;
// none for a block that fits the window whole.
uint8_t BucketShift(unsigned cap, unsigned window) {
  if (cap <= window) return 16;
  uint8_t bits = 0;
  while ((1u << bits) < cap / 2) ++bits;
  return static_cast<uint8_t>(16 - bits);
}

// The bits of word w that lie in [from, to).
uint64_t WordMask(unsigned w, unsigned from, unsigned to) {
  const unsigned start = std::max(from, w * 64) - w * 64, end = std::min(to, w * 64 + 64) - w * 64;
  return (end - start == 64 ? ~uint64_t{0} : ((uint64_t{1} << (end - start)) - 1)) << start;
}

// True when no bit of [from, to) is set.
bool RangeClear(const uint64_t* bits, unsigned from, unsigned to) {
  uint64_t any = 0;
  for (unsigned w = from >> 6; w <= (to - 1) >> 6; ++w) any |= bits[w] & WordMask(w, from, to);
  return any == 0;
}

// True when every bit of [from, to) is set.
bool RangeFull(const uint64_t* bits, unsigned from, unsigned to) {
  const unsigned first = from >> 6, last = (to - 1) >> 6;
  uint64_t missing = (~bits[first] & WordMask(first, from, to)) | (~bits[last] & WordMask(last, from, to));
  for (unsigned w = first + 1; w < last; ++w) missing |= ~bits[w];
  return missing == 0;
}

unsigned BucketCount(uint8_t shift) { return shift == 16 ? 0 : kBlockKeys >> shift; }

// Sparse capacities double while small, then grow by a quarter, so that a
// block filled by random inserts wastes little.
unsigned NextSparseCap(unsigned cap, unsigned limit) {
  const unsigned next = cap < 16 ? (cap ? 2 * cap : 1) : (cap + cap / 4 + 3) & ~3u;
  return std::min(next, limit);
}

}  // namespace

template <class T>
omi_UintTable<T>::omi_UintTable(const omi_UintTable& other) : dir_(other.dir_), size_(other.size_) {
  CopyBlocks(other);
}

template <class T>
omi_UintTable<T>& omi_UintTable<T>::operator=(const omi_UintTable& other) {
  if (this != &other) *this = omi_UintTable(other);
  return *this;
}

template <class T>
omi_UintTable<T>& omi_UintTable<T>::operator=(omi_UintTable&& other) noexcept {
  if (this != &other) {
    FreeBlocks();
    Steal(other);
  }
  return *this;
}

template <class T>
void omi_UintTable<T>::Steal(omi_UintTable& other) {
  dir_ = std::move(other.dir_);
  SetArena(other.arenaMem_, other.ArenaSegs());
  other.SetArena(nullptr, 0);
  size_ = std::exchange(other.size_, 0);
  reserveSegs_ = std::exchange(other.reserveSegs_, 0);
}

template <class T>
void omi_UintTable<T>::FreeBlocks() {
  Block* b = dir_.Data();
  for (unsigned i = 0; i < dir_.Count(); ++i)
    if (!InArena(b[i].data)) FreeBlockMemory(b[i].data, kUseArena);
  FreeArena();
}

template <class T>
void omi_UintTable<T>::FreeArena() {
  if (arenaMem_) mem_UnmapPages(arenaMem_, ArenaBytes());
  SetArena(nullptr, 0);
}

// After the directory was copied from `from`: give every block its own
// contents, arena members in an arena of the same shape.
template <class T>
void omi_UintTable<T>::CopyBlocks(const omi_UintTable& from) {
  Block* b = dir_.Data();
  unsigned done = 0;
  try {
    if (from.arenaMem_) {
      char* mem = mem_MapPages(from.ArenaBytes());
      if (!mem) throw std::bad_alloc();
      SetArena(mem, from.ArenaSegs());
    }
    for (; done < dir_.Count(); ++done) {
      Block& c = b[done];
      if (from.InArena(c.data)) {
        const void* values = c.data;
        const void* bits = c.bits;
        c.data = arenaMem_ + c.hi * kSegmentValues;
        c.bits = const_cast<uint64_t*>(ArenaBits()) + c.hi * (kSegmentBits / 8);
        std::memcpy(c.data, values, kSegmentValues);
        std::memcpy(c.bits, bits, kSegmentBits);
        continue;
      }
      void* data = c.kind == kDense ? WholeBlockMemory(BlockBytes(c), kUseArena) : mem_Malloc(BlockBytes(c));
      std::memcpy(data, c.data, BlockBytes(c));
      c.data = data;
      if (c.kind == kDense) c.bits = reinterpret_cast<uint64_t*>(Values(c) + c.cap);
      if (c.kind == kSpread) c.bits = reinterpret_cast<uint64_t*>(Entries(c) + c.base + kWindow);
    }
  } catch (...) {
    for (unsigned i = 0; i < done; ++i)
      if (!InArena(b[i].data)) FreeBlockMemory(b[i].data, kUseArena);
    FreeArena();
    dir_.Reset();
    size_ = 0;
    throw;
  }
}

template <class T>
bool omi_UintTable<T>::InArena(const void* data) const {
  const uintptr_t p = reinterpret_cast<uintptr_t>(data);
  const uintptr_t mem = reinterpret_cast<uintptr_t>(arenaMem_);
  return arenaMem_ && p >= mem && p - mem < ArenaSegs() * kSegmentValues;
}

// Frees a block's contents; an arena segment goes back to untouched zero
// pages, and the arena goes with its last block.
template <class T>
void omi_UintTable<T>::FreeData(const Block& b) {
  void* const data = b.data;
  if (!InArena(data)) {
    FreeBlockMemory(data, kUseArena);
    return;
  }
  const size_t seg = (static_cast<char*>(data) - arenaMem_) / kSegmentValues;
  // Lookups in the arena take a slot that reads zero for an absent key, and
  // a segment's next block starts from its bitmap reading zero: both must
  // read zero again, which mem_ReleasePages makes sure of.
  mem_ReleasePages(data, kSegmentValues);
  mem_ReleasePages(const_cast<uint64_t*>(ArenaBits()) + seg * (kSegmentBits / 8), kSegmentBits);
  const Block* blocks = dir_.Data();
  for (unsigned i = 0; i < dir_.Count(); ++i)
    if (blocks[i].data != data && InArena(blocks[i].data)) return;
  FreeArena();
}

template <class T>
bool omi_UintTable<T>::ArenaSegment(Block& block, unsigned hi) {
  if (hi >= ArenaSegs()) {
    // The arena always starts at the block of high bits 0, so that a
    // lookup indexes it by the key itself. It grows, at least doubling,
    // while it spans no more than a few blocks per dense block the half
    // holds or was told to expect: a table whose keys all lie far from zero
    // keeps its blocks apart instead of reserving the address space below
    // them, and sparse keys seldom share the arena's span, where each
    // lookup would read a slot of it first.
    const auto budgetFor = [this](unsigned blocks) {
      return std::min(8 * (blocks + reserveSegs_ + 1) + 64, kMaxSegments);
    };
    if (hi >= budgetFor(dir_.Count())) return false;  // at most as many dense blocks as blocks
    unsigned dense = 0;
    const Block* blocks = dir_.Data();
    for (unsigned i = 0; i < dir_.Count(); ++i) dense += blocks[i].kind == kDense;
    const unsigned budget = budgetFor(dense);
    if (hi >= budget) return false;
    // A first arena takes the blocks the table expects from this one on.
    const unsigned wanted = arenaMem_ ? std::max(hi + 1, 2 * ArenaSegs()) : hi + std::max(reserveSegs_, 1u);
    const unsigned segs = std::min(wanted, budget);
    const size_t bytes = segs * (kSegmentValues + kSegmentBits);
    char* const mem = mem_MapPages(bytes);
    if (!mem) return false;
    if (arenaMem_) {
      // The kernel moves the pages of the values; the bitmaps, which follow
      // them, are copied to their new place. Moving the bitmaps' pages too
      // would leave small pages where the new segments start, and the huge
      // page that holds them could not be granted.
      const size_t oldValues = ArenaSegs() * kSegmentValues;
      if (!mem_MovePages(arenaMem_, oldValues, mem)) {
        mem_UnmapPages(mem, bytes);
        return false;
      }
      std::memcpy(mem + segs * kSegmentValues, arenaMem_ + oldValues, ArenaSegs() * kSegmentBits);
      mem_UnmapPages(arenaMem_ + oldValues, ArenaSegs() * kSegmentBits);
      uint64_t* bits = reinterpret_cast<uint64_t*>(mem + segs * kSegmentValues);
      Block* b = dir_.Data();
      for (unsigned i = 0; i < dir_.Count(); ++i) {
        if (!InArena(b[i].data)) continue;
        b[i].data = mem + b[i].hi * kSegmentValues;
        b[i].bits = bits + b[i].hi * (kSegmentBits / 8);
      }
    }
    SetArena(mem, segs);
  }
  block.data = arenaMem_ + hi * kSegmentValues;
  block.bits = const_cast<uint64_t*>(ArenaBits()) + hi * (kSegmentBits / 8);
  return true;
}

template <class T>
void omi_UintTable<T>::Clear() {
  FreeBlocks();
  dir_.Reset();
  size_ = 0;
}

template <class T>
void omi_UintTable<T>::Trim() {
  dir_.SortByRank();
  for (unsigned r = dir_.FirstRank(), end = dir_.EndRank(); r < end; ++r) {
    Block* b = dir_.AtRank(r);
    if (b && b->kind != kDense) MakeSparse(*b, b->n, 0, true);
  }
  Block* blocks = dir_.Data();
  for (unsigned i = 0; i < dir_.Count(); ++i) {
    Block& b = blocks[i];
    if (b.kind != kDense || b.n == 0) continue;
    const uint64_t* bits = Bits(b);
    unsigned first = 0, last = b.cap / 64 - 1;
    while (!bits[first]) ++first;
    while (!bits[last]) --last;
    const unsigned cap = (last - first + 1) * 64;
    // A block of the arena stays there while its keys span more than half
    // of it, as growth would have put it there.
    if (cap == b.cap || (InArena(b.data) && 2 * cap > kBlockKeys)) continue;
    void* data = WholeBlockMemory(DenseBytes(cap), kUseArena);
    std::memcpy(data, Values(b) + first * 64, cap * sizeof(T));
    uint64_t* trimmed = reinterpret_cast<uint64_t*>(static_cast<T*>(data) + cap);
    std::memcpy(trimmed, bits + first, cap / 8);
    FreeData(b);
    b.data = data;
    b.bits = trimmed;
    b.base += first * 64;
    b.cap = cap;
  }
}

template <class T>
size_t omi_UintTable<T>::MemoryBytes() const {
  size_t bytes = dir_.MemoryBytes();
  const Block* b = dir_.Data();
  for (unsigned i = 0; i < dir_.Count(); ++i) bytes += BlockBytes(b[i]);
  return bytes;
}

template <class T>
size_t omi_UintTable<T>::PackedBytes(unsigned cap) {
  const uint8_t shift = BucketShift(cap, kWindow);
  return (cap + kWindow) * sizeof(Entry) + (shift == kNoBuckets ? 0 : (BucketCount(shift) + 1) * sizeof(uint16_t));
}

template <class T>
const T* omi_UintTable<T>::FindDense(const Block& b, unsigned key) {
  const unsigned at = (key & 0xFFFFu) - b.base;
  if (at >= b.cap) return nullptr;
  const T* v = Values(b) + at;
  if (!IsZero(*v)) return v;
  return b.bits[at >> 6] >> (at & 63) & 1 ? v : nullptr;
}

template <class T>
auto omi_UintTable<T>::FindCrowded(const Entry* first, const Entry* last, unsigned low) -> const Entry* {
  const auto below = [](const Entry& x, unsigned k) { return x.low < k; };
  const Entry* e = std::lower_bound(first, last, low, below);
  return e != last && e->low == low ? e : nullptr;
}

template <class T>
const T* omi_UintTable<T>::Span(unsigned first, unsigned last) const {
  if (first > last || first >> 16 != last >> 16) return nullptr;
  if (first < arenaKeys_ && RangeFull(ArenaBits(), first, last + 1))
    return reinterpret_cast<const T*>(arenaMem_) + first;
  // Not (all) in the arena: a block kept apart from it, if any.
  const Block* b = dir_.Lookup(first >> 16);
  if (!b || b->kind != kDense) return nullptr;
  const unsigned lo = (first & 0xFFFFu) - b->base, hi = (last & 0xFFFFu) - b->base;
  if (lo >= b->cap || hi >= b->cap || !RangeFull(b->bits, lo, hi + 1)) return nullptr;
  return Values(*b) + lo;
}

template <class T>
unsigned omi_UintTable<T>::PackedPos(const Block& b, unsigned low) {
  const Entry* e = Entries(b);
  if (!b.n || e[b.n - 1].low < low) return b.n;  // appending, as tables are built
  unsigned lo = 0, hi = b.n;
  if (b.shift != kNoBuckets) {
    const uint16_t* bucket = Buckets(b) + (low >> b.shift);
    lo = bucket[0];
    hi = bucket[1];
  }
  const auto below = [](const Entry& x, unsigned k) { return x.low < k; };
  return static_cast<unsigned>(std::lower_bound(e + lo, e + hi, low, below) - e);
}

template <class T>
bool omi_UintTable<T>::LaySpread(const Entry* e, unsigned n, unsigned homes, Entry* out) {
  unsigned next = 0;  // the first slot after the entries placed
  for (unsigned i = 0; i < n; ++i) {
    const unsigned home = e[i].low * homes >> 16;
    const unsigned at = std::max(home, next);
    if (at - home >= kWindow) return false;
    if (out) out[at] = e[i];
    next = at + 1;
  }
  return true;
}

template <class T>
void omi_UintTable<T>::MakeSparse(Block& b, unsigned cap, unsigned homes, bool whole) {
  const auto alloc = [whole](size_t bytes) { return whole ? WholeBlockMemory(bytes, kUseArena) : mem_Malloc(bytes); };
  // Packed first: the entries in ascending order, from any form.
  void* data = mem_Malloc(PackedBytes(cap));
  Entry* e = static_cast<Entry*>(data);
  unsigned n = 0;
  if (b.kind == kDense) {
    const uint64_t* bits = Bits(b);
    const T* values = Values(b);
    for (unsigned w = 0; w < b.cap / 64; ++w) {
      for (uint64_t word = bits[w]; word; word &= word - 1) {
        const unsigned off = w * 64 + static_cast<unsigned>(__builtin_ctzll(word));
        e[n++] = Entry{b.base + off, values[off]};
      }
    }
  } else {
    const Entry* from = Entries(b);
    for (unsigned i = 0, slots = Slots(b); i < slots; ++i)
      if (from[i].low != kNoLow) e[n++] = from[i];
  }
  for (unsigned i = n; i < cap + kWindow; ++i) e[i].low = kNoLow;
  FreeData(b);
  b.data = data;
  b.bits = nullptr;
  b.kind = kPacked;
  b.shift = BucketShift(cap, kWindow);
  b.base = 0;
  b.cap = cap;
  if (cap > kWindow) {
    // Each try has an eighth more homes, so that crowded keys spread out.
    for (homes = homes ? homes : DefaultHomes(cap); homes <= 2 * cap; homes += homes / 8 + 1) {
      if (!LaySpread(e, n, homes, nullptr)) continue;
      Entry* slots = static_cast<Entry*>(alloc(SpreadBytes(homes)));
      for (unsigned i = 0; i < homes + kWindow; ++i) slots[i] = Entry{kNoLow, T{}};
      LaySpread(e, n, homes, slots);
      uint64_t* bits = reinterpret_cast<uint64_t*>(slots + homes + kWindow);
      std::memset(bits, 0, SpreadWords(homes) * sizeof(uint64_t));
      for (unsigned i = 0; i < homes + kWindow; ++i) bits[i / 64] |= uint64_t{slots[i].low != kNoLow} << (i % 64);
      mem_Free(data);
      b.data = slots;
      b.bits = bits;
      b.kind = kSpread;
      b.shift = kNoBuckets;
      b.base = homes;
      return;
    }
  }
  if (whole) {
    b.data = alloc(PackedBytes(cap));
    std::memcpy(b.data, data, PackedBytes(cap));
    mem_Free(data);
    e = Entries(b);
  }
  if (b.shift == kNoBuckets) return;
  uint16_t* bucket = Buckets(b);
  const unsigned count = BucketCount(b.shift);
  unsigned i = 0;
  for (unsigned k = 0; k < count; ++k) {
    while (i < b.n && e[i].low < (k << b.shift)) ++i;
    bucket[k] = static_cast<uint16_t>(i);
  }
  bucket[count] = static_cast<uint16_t>(b.n);
}

template <class T>
void omi_UintTable<T>::MakeDense(Block& b, unsigned base, unsigned cap, unsigned written, unsigned count) {
  Block to = b;
  if (!kUseArena || base != 0 || cap != kBlockKeys || !ArenaSegment(to, b.hi)) {
    if (count) {
      // Filled by a run: id tables take the block from the pool.
      to.data = WholeBlockMemory(DenseBytes(cap), kUseArena);
      T* values = static_cast<T*>(to.data);
      std::memset(static_cast<void*>(values), 0, written * sizeof(T));
      std::memset(static_cast<void*>(values + written + count), 0, (cap - written - count) * sizeof(T) + cap / 8);
    } else {
      // calloc: memory fresh from the system is known to be zero and is not
      // cleared again.
      to.data = std::calloc(DenseBytes(cap), 1);
      if (!to.data) throw std::bad_alloc();
    }
    to.bits = reinterpret_cast<uint64_t*>(static_cast<T*>(to.data) + cap);
  }
  T* values = static_cast<T*>(to.data);
  uint64_t* bits = to.bits;
  if (b.kind == kDense) {
    const unsigned shift = b.base - base;  // both multiples of 64
    std::memcpy(values + shift, Values(b), b.cap * sizeof(T));
    std::memcpy(bits + shift / 64, Bits(b), b.cap / 8);
  } else {
    const Entry* e = Entries(b);
    for (unsigned i = 0, slots = Slots(b); i < slots; ++i) {
      if (e[i].low == kNoLow) continue;
      const unsigned off = e[i].low - base;
      bits[off >> 6] |= uint64_t{1} << (off & 63);
      values[off] = e[i].value;
    }
  }
  FreeData(b);
  b.data = to.data;
  b.bits = to.bits;
  b.kind = kDense;
  b.base = base;
  b.cap = cap;
}

template <class T>
typename omi_UintTable<T>::Block& omi_UintTable<T>::AddBlock(unsigned hi) {
  Block& b = dir_.Add(hi);
  b.kind = kPacked;
  b.shift = kNoBuckets;
  return b;
}

template <class T>
bool omi_UintTable<T>::InsertSlow(Block* b, unsigned key, const T& value) {
  const unsigned low = key & 0xFFFFu;
  if (!b) b = &AddBlock(key >> 16);
  if (b->kind == kDense && low - b->base >= b->cap) {
    // Outside the dense range: go sparse if that is much smaller, else grow
    // the range, at least doubling it towards the new key.
    const unsigned lo = std::min(b->base, low & ~63u);
    const unsigned hi = std::max(b->base + b->cap, (low | 63u) + 1);
    if (b->n < kSparseMax && 2 * SparseBytes(b->n + 1) < DenseBytes(hi - lo)) {
      MakeSparse(*b, NextSparseCap(b->n, kSparseMax));
    } else {
      Widen(*b, lo, hi);
    }
  }
  while (b->kind != kDense) {
    if (b->n && FindSparse(*b, low)) return false;
    if (b->n == b->cap) {
      GrowSparse(*b, low);
      continue;
    }
    if (b->kind == kPacked) {
      InsertPacked(*b, low, value);
    } else if (!InsertSpread(*b, low, value)) {
      MakeSparse(*b, b->cap, b->base + b->base / 8 + 1);
      continue;
    }
    ++b->n;
    ++size_;
    return true;
  }
  if (!omi_SetDenseSlot(Bits(*b), Values(*b), low - b->base, value)) return false;
  ++b->n;
  ++size_;
  return true;
}

template <class T>
void omi_UintTable<T>::GrowSparse(Block& b, unsigned low) {
  const Entry* e = Entries(b);
  const unsigned first = b.n ? std::min(e[FirstSlot(b)].low, low) : low;
  const unsigned last = b.n ? std::max(e[LastSlot(b)].low, low) : low;
  const unsigned lo = first & ~63u, hi = (last | 63u) + 1;
  const unsigned cap = NextSparseCap(b.cap, kSparseMax);
  if (b.n >= kSparseMax || DenseBytes(hi - lo) <= SparseBytes(cap)) {
    MakeDense(b, lo, hi - lo);
    return;
  }
  // A spread block keeps the share of homes its keys needed.
  MakeSparse(b, cap, b.kind == kSpread ? std::max(DefaultHomes(cap), b.base * cap / b.cap) : 0);
}

template <class T>
void omi_UintTable<T>::InsertPacked(Block& b, unsigned low, const T& value) {
  const unsigned p = PackedPos(b, low);
  Entry* e = Entries(b);
  std::memmove(static_cast<void*>(e + p + 1), e + p, (b.n - p) * sizeof(Entry));
  e[p] = Entry{low, value};
  if (b.shift == kNoBuckets) return;
  uint16_t* bucket = Buckets(b);
  for (unsigned k = (low >> b.shift) + 1, count = BucketCount(b.shift); k <= count; ++k) ++bucket[k];
}

template <class T>
bool omi_UintTable<T>::InsertSpread(Block& b, unsigned low, const T& value) {
  Entry* e = Entries(b);
  const unsigned home = Home(b, low);
  // The new entry goes after those below it. Slots before its home hold
  // only lower keys, and the lower keys from its home on lie within the
  // window, as their homes are not after its own.
  unsigned at = home;
  for (unsigned i = home; i < home + kWindow; ++i)
    if (e[i].low < low) at = i + 1;
  if (at - home >= kWindow) return false;
  // The entries from `at` to the next empty slot move one slot on.
  unsigned free = at;
  for (const unsigned slots = b.base + kWindow; e[free].low != kNoLow; ++free)
    if (free + 1 == slots || free + 1 - Home(b, e[free].low) >= kWindow) return false;
  std::memmove(static_cast<void*>(e + at + 1), e + at, (free - at) * sizeof(Entry));
  e[at] = Entry{low, value};
  b.bits[free / 64] |= uint64_t{1} << (free % 64);
  return true;
}

template <class T>
unsigned omi_UintTable<T>::InsertRun(const int* keys, const T* values, unsigned count, bool more) {
  const unsigned first = static_cast<unsigned>(keys[0]) & 0xFFFFu;
  const unsigned last = static_cast<unsigned>(keys[count - 1]) & 0xFFFFu;
  const unsigned hi = static_cast<unsigned>(keys[0]) >> 16;
  PrepareRun(hi, first, last, count, more);
  Block* b = dir_.Lookup(hi);
  unsigned added = 0;
  if (!b || b->kind != kDense || first < b->base || last - b->base >= b->cap) {
    for (unsigned i = 0; i < count; ++i) added += Insert(static_cast<unsigned>(keys[i]), values[i]);
    return added;
  }
  uint64_t* bits = Bits(*b);
  T* slots = Values(*b);
  const unsigned from = first - b->base, to = last - b->base + 1;
  if (to - from == count && RangeClear(bits, from, to)) {
    // Consecutive keys, none of them present yet: their values in one
    // copy, their bits a word at a time.
    std::memcpy(slots + from, values, count * sizeof(T));
    for (unsigned w = from >> 6; w <= (to - 1) >> 6; ++w) bits[w] |= WordMask(w, from, to);
    b->n += count;
    size_ += static_cast<int>(count);
    return count;
  }
  // The block covers the run: one pass over its bitmap and values.
  for (unsigned i = 0; i < count; ++i) {
    const unsigned off = (static_cast<unsigned>(keys[i]) & 0xFFFFu) - b->base;
    if (omi_SetDenseSlot(bits, slots, off, values[i])) ++added;
  }
  b->n += added;
  size_ += static_cast<int>(added);
  return added;
}

template <class T>
void omi_UintTable<T>::PrepareRun(unsigned hi, unsigned first, unsigned last, unsigned count, bool more) {
  const unsigned lo = first & ~63u, top = (last | 63u) + 1;
  const bool consecutive = last - first + 1 == count;
  // A long run of consecutive ids that goes on in the next piece is how a
  // large id table arrives when it is read: its block is laid out whole at
  // once, in the arena, so that the runs after this one neither regrow nor
  // move it.
  const bool whole = kUseArena && more && consecutive && count >= kSparseMax;
  Block* b = dir_.Lookup(hi);
  if (!b) {
    // The form Insert would reach once all of them are in.
    if (count < kSparseMax && DenseBytes(top - lo) > SparseBytes(count)) return;
    b = &AddBlock(hi);
    const unsigned base = whole ? 0 : lo, cap = whole ? kBlockKeys : top - lo;
    // Consecutive keys will fill their slots whole (see InsertRun).
    MakeDense(*b, base, cap, consecutive ? first - base : 0, consecutive ? count : 0);
    return;
  }
  if (b->kind != kDense) {
    // Dense once they are in (counting none of them as present already):
    // converted now rather than after inserting them one by one.
    const Entry* e = Entries(*b);
    const unsigned from = whole ? 0 : b->n ? std::min(lo, e[FirstSlot(*b)].low & ~63u) : lo;
    const unsigned to = whole ? kBlockKeys : b->n ? std::max(top, (e[LastSlot(*b)].low | 63u) + 1) : top;
    const unsigned n = b->n + count;
    if (n >= kSparseMax || DenseBytes(to - from) <= SparseBytes(n)) MakeDense(*b, from, to - from);
    return;
  }
  if (lo >= b->base && top <= b->base + b->cap) return;
  Widen(*b, lo, top);
}

// At least doubling, so that a block that grows key by key, or runs arriving
// in small pieces, still cost amortised O(1) a key.
template <class T>
void omi_UintTable<T>::Widen(Block& b, unsigned lo, unsigned hi) {
  const unsigned from = std::min(b.base, lo), to = std::max(b.base + b.cap, hi);
  const unsigned cap = std::max(to - from, std::min(2 * b.cap, kBlockKeys));
  unsigned base;
  if (from < b.base) {
    base = to >= cap ? to - cap : 0;
  } else {
    base = from + cap > kBlockKeys ? kBlockKeys - cap : from;
  }
  MakeDense(b, base, cap);
}

template <class T>
bool omi_UintTable<T>::Remove(unsigned key) {
  Block* b = dir_.Lookup(key >> 16);
  if (!b) return false;
  const unsigned low = key & 0xFFFFu;
  if (b->kind == kDense) {
    const unsigned off = low - b->base;
    if (off >= b->cap) return false;
    uint64_t& w = Bits(*b)[off >> 6];
    const uint64_t bit = uint64_t{1} << (off & 63);
    if (!(w & bit)) return false;
    w &= ~bit;
    Values(*b)[off] = T{};
    --b->n;
    if (b->n && b->n <= kSparseMax && 2 * SparseBytes(b->n) < DenseBytes(b->cap)) MakeSparse(*b, b->n);
  } else if (b->kind == kSpread) {
    Entry* e = const_cast<Entry*>(FindSparse(*b, low));
    if (!e) return false;
    *e = Entry{kNoLow, T{}};
    const unsigned slot = static_cast<unsigned>(e - Entries(*b));
    b->bits[slot / 64] &= ~(uint64_t{1} << (slot % 64));
    --b->n;
  } else {
    const unsigned p = PackedPos(*b, low);
    Entry* e = Entries(*b);
    if (p == b->n || e[p].low != low) return false;
    std::memmove(static_cast<void*>(e + p), e + p + 1, (b->n - p - 1) * sizeof(Entry));
    --b->n;
    e[b->n].low = kNoLow;
    if (b->shift != kNoBuckets) {
      uint16_t* bucket = Buckets(*b);
      for (unsigned k = (low >> b->shift) + 1, count = BucketCount(b->shift); k <= count; ++k) --bucket[k];
    }
  }
  // A sparse block left with a quarter of its room gives half of it back
  // (one just made sparse from dense has no room to spare).
  if (b->kind != kDense && b->n && b->cap > 16 && b->n < b->cap / 4) MakeSparse(*b, b->cap / 2);
  --size_;
  if (!b->n) {
    FreeData(*b);
    dir_.Erase(static_cast<unsigned>(b - dir_.Data()));
  }
  return true;
}

template <class T>
bool omi_UintTable<T>::operator==(const omi_UintTable& other) const {
  if (size_ != other.size_) return false;
  Cursor a, b;
  SeekFirst(a);
  other.SeekFirst(b);
  for (; a.block; SeekNext(a), other.SeekNext(b))
    if (KeyAt(a) != other.KeyAt(b) || !(ValueAt(a) == other.ValueAt(b))) return false;
  return true;
}

template <class T>
void omi_UintTable<T>::SeekFirst(Cursor& c) const {
  SeekFrom(c, dir_.FirstRank());
}

// Positions at the first key of `b` whose offset is `from` or more, with
// the run of consecutive keys that starts there; leaves c.block null when
// there is none.
template <class T>
void omi_UintTable<T>::SeekInDense(Cursor& c, const Block& b, unsigned from) {
  const uint64_t* bits = Bits(b);
  const unsigned words = b.cap / 64;
  unsigned w = from >> 6;
  uint64_t word = w < words ? bits[w] & (~uint64_t{0} << (from & 63)) : 0;
  while (!word) {
    if (++w >= words) {
      c.block = nullptr;
      return;
    }
    word = bits[w];
  }
  Enter(c, b);
  c.at = w * 64 + static_cast<unsigned>(__builtin_ctzll(word));
  // The run ends at the first clear bit after at.
  uint64_t gap = ~word & (~uint64_t{0} << (c.at & 63));
  while (!gap && ++w < words) gap = ~bits[w];
  c.end = gap ? w * 64 + static_cast<unsigned>(__builtin_ctzll(gap)) : b.cap;
}

// The first key of the first block at or after `rank`.
template <class T>
void omi_UintTable<T>::SeekFrom(Cursor& c, unsigned rank) const {
  c.block = nullptr;
  c.chunk = nullptr;  // past the end, no step reads a block
  for (unsigned end = dir_.EndRank(); rank < end; ++rank) {
    const Block* b = dir_.AtRank(rank);
    if (!b) continue;
    c.rank = rank;
    if (b->kind == kDense) {
      SeekInDense(c, *b, 0);
    } else {
      PrefetchWalk(rank, end);
      Enter(c, *b, FirstSlot(*b));
    }
    return;
  }
}

// Past the current run of a dense block, or past a sparse block.
template <class T>
void omi_UintTable<T>::SeekBeyond(Cursor& c) const {
  if (!c.chunk) {
    SeekInDense(c, *static_cast<const Block*>(c.block), c.end);
    if (c.block) return;
  }
  SeekFrom(c, c.rank + 1);
}

// The largest key, as a run of its own: stepping on goes past the end.
template <class T>
void omi_UintTable<T>::SeekLast(Cursor& c) const {
  const Block* b = dir_.Last();
  c.block = nullptr;
  if (!b) return;
  c.rank = dir_.EndRank() - 1;
  if (b->kind != kDense) {
    Enter(c, *b, LastSlot(*b));
    return;
  }
  Enter(c, *b);
  const uint64_t* bits = Bits(*b);
  unsigned w = b->cap / 64 - 1;
  while (!bits[w]) --w;
  c.at = w * 64 + 63 - static_cast<unsigned>(__builtin_clzll(bits[w]));
  c.end = c.at + 1;
}

template class omi_UintTable<int>;
template class omi_UintTable<double>;
