// The integer tables' cold paths: block growth, form changes, removal,
// copying and the ascending walk. Lookups and inserts into a dense block's
// range are inline in omi_IntTable.h.
#include "omi_IntTable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned kBlockKeys = 65536;

// Bucket shift for a sparse block of `cap` entries: about four entries per
// bucket; none below 16 entries, where a plain scan is as fast.
uint8_t BucketShift(unsigned cap) {
  if (cap < 16) return 16;
  uint8_t bits = 0;
  while ((2u << bits) <= cap / 4) ++bits;
  return static_cast<uint8_t>(16 - bits);
}

unsigned BucketCount(uint8_t shift) { return shift == 16 ? 0 : kBlockKeys >> shift; }

// Sparse capacities double while small, then grow by a quarter, so that a
// block filled by random inserts wastes little.
unsigned NextSparseCap(unsigned cap, unsigned limit) {
  const unsigned next = cap < 16 ? (cap ? 2 * cap : 1) : (cap + cap / 4 + 3) & ~3u;
  return std::min(next, limit);
}

// First set bit at or after `from` in a bitmap of `words` words, or -1.
int NextBit(const uint64_t* bits, unsigned words, unsigned from) {
  unsigned w = from >> 6;
  if (w >= words) return -1;
  uint64_t word = bits[w] & (~uint64_t{0} << (from & 63));
  while (!word) {
    if (++w == words) return -1;
    word = bits[w];
  }
  return static_cast<int>(w * 64 + static_cast<unsigned>(__builtin_ctzll(word)));
}

}  // namespace

template <class T>
omi_UintTable<T>::omi_UintTable(const omi_UintTable& other) : dir_(other.dir_), size_(other.size_) {
  CopyBlocks();
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
    dir_ = std::move(other.dir_);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

template <class T>
void omi_UintTable<T>::FreeBlocks() {
  Block* b = dir_.Data();
  for (unsigned i = 0; i < dir_.Count(); ++i) std::free(b[i].data);
}

// After the directory was copied: give every block its own contents.
template <class T>
void omi_UintTable<T>::CopyBlocks() {
  Block* b = dir_.Data();
  unsigned done = 0;
  try {
    for (; done < dir_.Count(); ++done) {
      const size_t bytes = BlockBytes(b[done]);
      void* data = omi_Alloc(bytes);
      std::memcpy(data, b[done].data, bytes);
      b[done].data = data;
    }
  } catch (...) {
    for (unsigned i = 0; i < done; ++i) std::free(b[i].data);
    dir_.Reset();
    size_ = 0;
    throw;
  }
}

template <class T>
void omi_UintTable<T>::Clear() {
  FreeBlocks();
  dir_.Reset();
  size_ = 0;
}

template <class T>
size_t omi_UintTable<T>::MemoryBytes() const {
  size_t bytes = dir_.MemoryBytes();
  const Block* b = dir_.Data();
  for (unsigned i = 0; i < dir_.Count(); ++i) bytes += BlockBytes(b[i]);
  return bytes;
}

template <class T>
size_t omi_UintTable<T>::SparseBytes(unsigned cap) {
  return cap * sizeof(Entry) + (BucketCount(BucketShift(cap)) + 1) * sizeof(uint16_t);
}

template <class T>
unsigned omi_UintTable<T>::SparsePos(const Block& b, unsigned low) {
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
void omi_UintTable<T>::MakeSparse(Block& b, unsigned cap) {
  const uint8_t shift = BucketShift(cap);
  void* data = omi_Alloc(SparseBytes(cap));
  Entry* e = static_cast<Entry*>(data);
  if (b.kind == kDense) {
    const uint64_t* bits = Bits(b);
    const T* values = Values(b);
    unsigned n = 0;
    for (unsigned w = 0; w < b.cap / 64; ++w) {
      for (uint64_t word = bits[w]; word; word &= word - 1) {
        const unsigned off = w * 64 + static_cast<unsigned>(__builtin_ctzll(word));
        e[n++] = Entry{b.base + off, values[off]};
      }
    }
  } else if (b.n) {
    std::memcpy(static_cast<void*>(e), b.data, b.n * sizeof(Entry));
  }
  std::free(b.data);
  b.data = data;
  b.kind = kSparse;
  b.shift = shift;
  b.base = 0;
  b.cap = cap;
  if (shift == kNoBuckets) return;
  uint16_t* bucket = Buckets(b);
  const unsigned count = BucketCount(shift);
  unsigned i = 0;
  for (unsigned k = 0; k < count; ++k) {
    while (i < b.n && e[i].low < (k << shift)) ++i;
    bucket[k] = static_cast<uint16_t>(i);
  }
  bucket[count] = static_cast<uint16_t>(b.n);
}

template <class T>
void omi_UintTable<T>::MakeDense(Block& b, unsigned base, unsigned cap) {
  void* data = omi_Alloc(DenseBytes(cap));
  uint64_t* bits = static_cast<uint64_t*>(data);
  T* values = reinterpret_cast<T*>(bits + cap / 64);
  std::memset(bits, 0, cap / 8);
  if (b.kind == kDense) {
    const unsigned shift = b.base - base;  // both multiples of 64
    std::memcpy(bits + shift / 64, Bits(b), b.cap / 8);
    std::memcpy(values + shift, Values(b), b.cap * sizeof(T));
  } else {
    const Entry* e = Entries(b);
    for (unsigned i = 0; i < b.n; ++i) {
      const unsigned off = e[i].low - base;
      bits[off >> 6] |= uint64_t{1} << (off & 63);
      values[off] = e[i].value;
    }
  }
  std::free(b.data);
  b.data = data;
  b.kind = kDense;
  b.base = base;
  b.cap = cap;
}

template <class T>
bool omi_UintTable<T>::InsertSlow(Block* b, unsigned key, const T& value) {
  const unsigned low = key & 0xFFFFu;
  if (!b) {
    b = &dir_.Add(key >> 16);
    b->kind = kSparse;
    b->shift = kNoBuckets;
  }
  if (b->kind == kDense && low - b->base >= b->cap) {
    // Outside the dense range: go sparse if that is much smaller, else grow
    // the range, at least doubling it towards the new key.
    const unsigned lo = std::min(b->base, low & ~63u);
    const unsigned hi = std::max(b->base + b->cap, (low | 63u) + 1);
    if (b->n < kSparseMax && 2 * SparseBytes(b->n + 1) < DenseBytes(hi - lo)) {
      MakeSparse(*b, NextSparseCap(b->n, kSparseMax));
    } else {
      const unsigned cap = std::max(hi - lo, std::min(2 * b->cap, kBlockKeys));
      unsigned base;
      if (low < b->base) {
        base = hi >= cap ? hi - cap : 0;
      } else {
        base = lo + cap > kBlockKeys ? kBlockKeys - cap : lo;
      }
      MakeDense(*b, base, cap);
    }
  }
  if (b->kind == kSparse) {
    const unsigned p = SparsePos(*b, low);
    if (p < b->n && Entries(*b)[p].low == low) return false;
    if (b->n == b->cap) {
      const Entry* e = Entries(*b);
      const unsigned first = b->n ? std::min(e[0].low, low) : low;
      const unsigned last = b->n ? std::max(e[b->n - 1].low, low) : low;
      const unsigned lo = first & ~63u, hi = (last | 63u) + 1;
      const unsigned cap = NextSparseCap(b->cap, kSparseMax);
      if (b->n >= kSparseMax || DenseBytes(hi - lo) <= SparseBytes(cap)) {
        MakeDense(*b, lo, hi - lo);
      } else {
        MakeSparse(*b, cap);
      }
    }
    if (b->kind == kSparse) {
      Entry* e = Entries(*b);
      std::memmove(static_cast<void*>(e + p + 1), e + p, (b->n - p) * sizeof(Entry));
      e[p] = Entry{low, value};
      ++b->n;
      ++size_;
      if (b->shift != kNoBuckets) {
        uint16_t* bucket = Buckets(*b);
        for (unsigned k = (low >> b->shift) + 1, count = BucketCount(b->shift); k <= count; ++k) ++bucket[k];
      }
      return true;
    }
  }
  const unsigned off = low - b->base;
  uint64_t& w = Bits(*b)[off >> 6];
  const uint64_t bit = uint64_t{1} << (off & 63);
  if (w & bit) return false;
  w |= bit;
  Values(*b)[off] = value;
  ++b->n;
  ++size_;
  return true;
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
    --b->n;
    if (b->n && b->n <= kSparseMax && 2 * SparseBytes(b->n) < DenseBytes(b->cap)) MakeSparse(*b, b->n);
  } else {
    const unsigned p = SparsePos(*b, low);
    Entry* e = Entries(*b);
    if (p == b->n || e[p].low != low) return false;
    std::memmove(static_cast<void*>(e + p), e + p + 1, (b->n - p - 1) * sizeof(Entry));
    --b->n;
    if (b->shift != kNoBuckets) {
      uint16_t* bucket = Buckets(*b);
      for (unsigned k = (low >> b->shift) + 1, count = BucketCount(b->shift); k <= count; ++k) --bucket[k];
    }
    if (b->n && b->cap > 16 && b->n < b->cap / 4) MakeSparse(*b, b->cap / 2);
  }
  --size_;
  if (!b->n) {
    std::free(b->data);
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

// The first key of the first block at or after `rank`.
template <class T>
void omi_UintTable<T>::SeekFrom(Cursor& c, unsigned rank) const {
  c.block = nullptr;
  for (unsigned end = dir_.EndRank(); rank < end; ++rank) {
    const Block* b = dir_.AtRank(rank);
    if (!b) continue;
    c.rank = rank;
    c.block = b;
    c.at = b->kind == kDense ? static_cast<unsigned>(NextBit(Bits(*b), b->cap / 64, 0)) : 0;
    return;
  }
}

template <class T>
void omi_UintTable<T>::SeekLast(Cursor& c) const {
  const Block* b = dir_.Last();
  c.block = b;
  if (!b) return;
  c.rank = dir_.EndRank() - 1;
  if (b->kind != kDense) {
    c.at = b->n - 1;
    return;
  }
  const uint64_t* bits = Bits(*b);
  unsigned w = b->cap / 64 - 1;
  while (!bits[w]) --w;
  c.at = w * 64 + 63 - static_cast<unsigned>(__builtin_clzll(bits[w]));
}

template <class T>
void omi_UintTable<T>::SeekNext(Cursor& c) const {
  const Block* b = static_cast<const Block*>(c.block);
  if (b->kind == kDense) {
    const int next = NextBit(Bits(*b), b->cap / 64, c.at + 1);
    if (next >= 0) {
      c.at = static_cast<unsigned>(next);
      return;
    }
  } else if (c.at + 1 < b->n) {
    ++c.at;
    return;
  }
  SeekFrom(c, c.rank + 1);
}

template class omi_UintTable<int>;
template class omi_UintTable<double>;
