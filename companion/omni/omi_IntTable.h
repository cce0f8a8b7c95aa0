// Integer tables: one value (int or double) per 32-bit key.
//
// omi_UintTable<T> holds unsigned keys in blocks of 65536 consecutive keys
// found through an omi_BlockDir. Each block picks the form that costs less
// memory for the keys it holds:
// - dense: the values of a range of keys in one array, with a presence
//   bitmap beside it (sizeof(T) + 1/8 bytes per key of the range). A lookup
//   is a bit test and a load that the processor issues together, so it costs
//   about what an index into a plain array does;
// - sparse: (low 16 bits, value) entries sorted by key, with a small table of
//   bucket offsets (about half a byte per entry) that narrows a lookup to a
//   few neighbouring entries, usually within one cache line.
// A sparse block becomes dense when that is no larger, or when it outgrows
// kSparseMax entries (inserting into a sorted array moves its tail); a dense
// block goes back to sparse when that would take less than half the memory.
// The lopsided thresholds keep keys added and removed at the border from
// converting back and forth.
//
// omi_IntTable<T> keys by signed int and keeps two halves: keys >= 0 and keys
// < 0. A key of a half is the int's own bit pattern (HalfKey), so both halves
// order their keys as the ints order, and the table visits the negative half
// first.
//
// Insert never replaces: a key already present keeps its value and Insert
// answers false, so a caller can tell a duplicate from a new key and decide.
// Pointers and references to values stay valid until the table is next
// changed.
#ifndef KVL_OMI_INTTABLE_H
#define KVL_OMI_INTTABLE_H

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "kvl_api.h"
#include "omi_BlockDir.h"

template <class T>
class omi_IntTable;
template <class T>
class omi_IntTableIterator;

template <class T>
class KVL_API omi_UintTable {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  omi_UintTable() = default;
  omi_UintTable(const omi_UintTable& other);
  omi_UintTable(omi_UintTable&& other) noexcept
      : dir_(std::move(other.dir_)), size_(std::exchange(other.size_, 0)) {}
  omi_UintTable& operator=(const omi_UintTable& other);
  omi_UintTable& operator=(omi_UintTable&& other) noexcept;
  ~omi_UintTable() { FreeBlocks(); }

  // True when the key was added; a key already present keeps its value.
  bool Insert(unsigned key, const T& value) {
    Block* b = dir_.Lookup(key >> 16);
    if (b && b->kind == kDense) {
      const unsigned off = (key & 0xFFFFu) - b->base;
      if (off < b->cap) {
        uint64_t& w = Bits(*b)[off >> 6];
        const uint64_t bit = uint64_t{1} << (off & 63);
        if (w & bit) return false;
        w |= bit;
        Values(*b)[off] = value;
        ++b->n;
        ++size_;
        return true;
      }
    }
    return InsertSlow(b, key, value);
  }
  // True when the key was present.
  bool Remove(unsigned key);

  const T* Find(unsigned key) const {
    const Block* b = dir_.Lookup(key >> 16);
    if (!b) return nullptr;
    const unsigned low = key & 0xFFFFu;
    if (b->kind == kDense) {
      const unsigned off = low - b->base;
      if (off >= b->cap || !(Bits(*b)[off >> 6] >> (off & 63) & 1)) return nullptr;
      return Values(*b) + off;
    }
    return FindSparse(*b, low);
  }
  T* Find(unsigned key) { return const_cast<T*>(std::as_const(*this).Find(key)); }

  int Size() const { return size_; }
  bool IsEmpty() const { return size_ == 0; }
  void Clear();
  size_t MemoryBytes() const;
  bool operator==(const omi_UintTable& other) const;

  // f(unsigned key, const T& value) for every key, ascending.
  template <class F>
  void ForEach(F&& f) const {
    for (unsigned r = dir_.FirstRank(), end = dir_.EndRank(); r < end; ++r) {
      const Block* b = dir_.AtRank(r);
      if (!b) continue;
      const unsigned hi = static_cast<unsigned>(b->hi) << 16;
      if (b->kind == kDense) {
        const uint64_t* bits = Bits(*b);
        const T* values = Values(*b);
        for (unsigned w = 0, words = b->cap / 64; w < words; ++w) {
          const unsigned first = b->base + w * 64;
          uint64_t word = bits[w];
          if (word == ~uint64_t{0}) {
            for (unsigned k = 0; k < 64; ++k) f(hi | (first + k), values[w * 64 + k]);
            continue;
          }
          while (word) {
            const unsigned k = static_cast<unsigned>(__builtin_ctzll(word));
            f(hi | (first + k), values[w * 64 + k]);
            word &= word - 1;
          }
        }
      } else {
        const Entry* e = Entries(*b);
        for (unsigned i = 0; i < b->n; ++i) f(hi | e[i].low, e[i].value);
      }
    }
  }

  // Ascending walk, for the iterators: a position is a rank of the
  // directory, a block and a place in it (offset in a dense block, entry
  // index in a sparse one).
  struct Cursor {
    unsigned rank = 0;
    const void* block = nullptr;  // nullptr: past the end
    unsigned at = 0;
  };
  void SeekFirst(Cursor& c) const;
  void SeekLast(Cursor& c) const;
  void SeekNext(Cursor& c) const;
  unsigned KeyAt(const Cursor& c) const {
    const Block& b = *static_cast<const Block*>(c.block);
    const unsigned low = b.kind == kDense ? b.base + c.at : Entries(b)[c.at].low;
    return static_cast<unsigned>(b.hi) << 16 | low;
  }
  const T& ValueAt(const Cursor& c) const {
    const Block& b = *static_cast<const Block*>(c.block);
    return b.kind == kDense ? Values(b)[c.at] : Entries(b)[c.at].value;
  }

 private:
  enum : uint8_t { kSparse = 0, kDense = 1 };
  static constexpr unsigned kSparseMax = 4096;
  static constexpr uint8_t kNoBuckets = 16;  // bucket shift of an unindexed block

  struct Block {
    uint16_t hi;     // high 16 bits of the block's keys
    uint8_t kind;    // kSparse or kDense
    uint8_t shift;   // sparse: bucket of a key is low >> shift
    uint32_t n;      // keys held
    uint32_t base;   // dense: first low covered, a multiple of 64
    uint32_t cap;    // dense: lows covered (multiple of 64); sparse: entries
    void* data;      // dense: bitmap, then values; sparse: entries, then bucket offsets
  };
  struct Entry {
    uint32_t low;
    T value;
  };

  static uint64_t* Bits(const Block& b) { return static_cast<uint64_t*>(b.data); }
  static T* Values(const Block& b) { return reinterpret_cast<T*>(Bits(b) + b.cap / 64); }
  static Entry* Entries(const Block& b) { return static_cast<Entry*>(b.data); }
  static uint16_t* Buckets(const Block& b) { return reinterpret_cast<uint16_t*>(Entries(b) + b.cap); }

  static const T* FindSparse(const Block& b, unsigned low) {
    const Entry* e = Entries(b);
    unsigned lo = 0, hi = b.n;
    if (b.shift != kNoBuckets) {
      const uint16_t* bucket = Buckets(b) + (low >> b.shift);
      lo = bucket[0];
      hi = bucket[1];
    }
    while (hi - lo > 8) {  // only a crowded bucket gets here
      const unsigned mid = lo + (hi - lo) / 2;
      if (e[mid].low < low) {
        lo = mid + 1;
      } else {
        hi = mid + 1;
      }
    }
    for (; lo < hi; ++lo)
      if (e[lo].low >= low) return e[lo].low == low ? &e[lo].value : nullptr;
    return nullptr;
  }

  static size_t DenseBytes(unsigned cap) { return cap / 8 + size_t{cap} * sizeof(T); }
  static size_t SparseBytes(unsigned cap);
  static size_t BlockBytes(const Block& b) { return b.kind == kDense ? DenseBytes(b.cap) : SparseBytes(b.cap); }
  // Position of the first entry of a sparse block whose low is not below `low`.
  static unsigned SparsePos(const Block& b, unsigned low);
  // Rebuild a block, in either form, from its contents in either form.
  static void MakeSparse(Block& b, unsigned cap);
  static void MakeDense(Block& b, unsigned base, unsigned cap);

  void SeekFrom(Cursor& c, unsigned rank) const;
  bool InsertSlow(Block* b, unsigned key, const T& value);
  void FreeBlocks();
  void CopyBlocks();

  omi_BlockDir<Block> dir_;
  int size_ = 0;
};

template <class T>
class KVL_API omi_IntTable {
 public:
  omi_IntTable() = default;

  // The key of `key` inside its half: the int's bit pattern.
  static unsigned HalfKey(int key) { return static_cast<unsigned>(key); }
  omi_UintTable<T>& Half(int key) { return halves_[HalfKey(key) >> 31]; }
  const omi_UintTable<T>& Half(int key) const { return halves_[HalfKey(key) >> 31]; }

  bool Insert(int key, const T& value) { return Half(key).Insert(HalfKey(key), value); }
  bool Remove(int key) { return Half(key).Remove(HalfKey(key)); }
  bool IsMember(int key) const { return Find(key) != nullptr; }
  const T* Find(int key) const { return Half(key).Find(HalfKey(key)); }
  T* Find(int key) { return Half(key).Find(HalfKey(key)); }
  // A key that is absent reads as T{} (the table is left unchanged).
  const T& ConstGet(int key) const {
    static const T absent{};
    const T* v = Find(key);
    return v ? *v : absent;
  }
  // A key that is absent is first inserted with T{}.
  T& Get(int key) {
    if (T* v = Find(key)) return *v;
    Insert(key, T{});
    return *Find(key);
  }

  int Size() const { return halves_[0].Size() + halves_[1].Size(); }
  bool IsEmpty() const { return Size() == 0; }
  void Clear() {
    halves_[0].Clear();
    halves_[1].Clear();
  }
  // Blocks are sized by the keys they receive, so a count alone has nothing
  // to prepare; kept so that callers may state what they expect.
  void Reserve(int) {}

  // f(int key, const T& value), ascending.
  template <class F>
  void ForEach(F&& f) const {
    for (int h = 1; h >= 0; --h)
      halves_[h].ForEach([&f](unsigned key, const T& value) { f(static_cast<int>(key), value); });
  }

  bool operator==(const omi_IntTable& other) const {
    return halves_[0] == other.halves_[0] && halves_[1] == other.halves_[1];
  }
  // Heap bytes held (the object itself not counted).
  size_t MemoryBytes() const { return halves_[0].MemoryBytes() + halves_[1].MemoryBytes(); }

 private:
  omi_UintTable<T> halves_[2];  // [0]: keys >= 0, [1]: keys < 0

  friend class omi_IntTableIterator<T>;
};

// Ascending walk over a table, which must not change meanwhile.
template <class T>
class KVL_API omi_IntTableIterator {
 public:
  explicit omi_IntTableIterator(const omi_IntTable<T>& table) : table_(&table) { First(); }

  void First() {
    for (half_ = 1; half_ >= 0; --half_) {
      table_->halves_[half_].SeekFirst(cursor_);
      if (cursor_.block) return;
    }
  }
  void Last() {
    for (half_ = 0; half_ <= 1; ++half_) {
      table_->halves_[half_].SeekLast(cursor_);
      if (cursor_.block) return;
    }
    half_ = -1;
  }
  void Next() {
    if (half_ < 0) return;
    table_->halves_[half_].SeekNext(cursor_);
    while (!cursor_.block && --half_ >= 0) table_->halves_[half_].SeekFirst(cursor_);
  }
  bool IsDone() const { return half_ < 0; }
  int CurrentKey() const { return static_cast<int>(table_->halves_[half_].KeyAt(cursor_)); }
  const T& CurrentValue() const { return table_->halves_[half_].ValueAt(cursor_); }

 private:
  const omi_IntTable<T>* table_;
  int half_ = 1;  // 1: negative keys, 0: the others, -1: done
  typename omi_UintTable<T>::Cursor cursor_;
};

extern template class omi_UintTable<int>;
extern template class omi_UintTable<double>;

#endif
