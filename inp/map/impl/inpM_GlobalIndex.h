// Internal: the global-to-local index of one kind of object (nodes or
// elements) of a part map.
//
// A global id is answered by the first instance, in the id map's own order,
// whose globalToLocal table holds it, and otherwise by the assembly level.
// Visiting the instances costs O(instances) per lookup; this index answers in
// O(1) instead and keeps exactly the same answers, also for a map that breaks
// the one-owner invariant (the first instance in map order still wins).
//
// It keeps, for every global id, the ordinal of the level that answers for
// it: 1..I for the instances in map order, I + 1 for the assembly level, 0
// for none (inpM_OwnerTable: runs of ids when levels hold blocks of them,
// else an array or a hash table). The level then gives the local id: from
// its own globalToLocal table, or, when every pair of the level is local =
// global - offset (what a pre-processor that numbers instance by instance
// gives), by that subtraction without touching the table. The index
// therefore costs a few bytes per id at most, whatever the number of
// instances, and a few bytes per block of ids when levels hold blocks.
//
// The index points at the tables of the id maps it was built from: whoever
// changes those maps builds it again at once, and between builds the maps
// must not change.
#ifndef INPM_GLOBALINDEX_H
#define INPM_GLOBALINDEX_H

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "cow.h"
#include "inpM_IdMap.h"
#include "omni.h"

// Storage of the index's arrays. A lookup lands at a random place of an
// array of tens of megabytes, and on 4 KB pages nearly every one of them also
// misses the address translation cache. Arrays of 2 MB or more are therefore
// aligned to 2 MB and offered to the kernel for transparent huge pages.
template <class T>
struct inpM_HugePageAllocator {
  using value_type = T;
  static constexpr size_t kHugePage = size_t{2} << 20;
  inpM_HugePageAllocator() = default;
  template <class U>
  inpM_HugePageAllocator(const inpM_HugePageAllocator<U>&) {}  // NOLINT: allocators convert implicitly
  T* allocate(size_t n) {
    const size_t bytes = n * sizeof(T);
    if (bytes < kHugePage) return static_cast<T*>(::operator new(bytes));
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (!p) throw std::bad_alloc();
    // Only advice: on small pages the array works the same, just slower.
    madvise(p, rounded, MADV_HUGEPAGE);
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t n) {
    if (n * sizeof(T) < kHugePage)
      ::operator delete(p);
    else
      std::free(p);
  }
  friend bool operator==(const inpM_HugePageAllocator&, const inpM_HugePageAllocator&) { return true; }
};

// Global id -> ordinal (0: none), in one of three forms:
// - a plain array over the range of ids while they are dense enough, so that
//   a lookup is one load;
// - once built, and when the ordinals form long runs of consecutive ids (an
//   instance numbered in one block, as pre-processors do), the runs and a
//   bucket table over them, a few kilobytes that stay in cache where the
//   array would cost a memory access per lookup;
// - otherwise an open-addressing hash table, so that scattered ids (or a
//   damaged file with one huge id) cost memory in proportion to their number,
//   not their range.
class inpM_OwnerTable {
 public:
  // Empties the table and sizes it for `count` ids in [minId, maxId].
  void Reset(int minId, int maxId, size_t count);
  uint32_t Get(int id) const {
    const uint64_t i = static_cast<uint64_t>(static_cast<int64_t>(id) - base_);
    switch (form_) {
      case Form::kArray:
        if (i >= lo_.size()) return 0;
        return hi_.empty() ? lo_[i] : lo_[i] | static_cast<uint32_t>(hi_[i]) << 16;
      case Form::kRuns:
        return i < span_ ? GetRun(static_cast<uint32_t>(i)) : 0;
      case Form::kSparse:
        break;
    }
    return GetSparse(id);
  }
  // The ordinal of an id when the table is in runs and the id's bucket holds
  // at most one run start (and RestrictQuick left it quick); 0 otherwise
  // (Get then knows). No search, no branch on where in its bucket the id
  // lies.
  uint32_t GetQuick(int id) const {
    // span_ is 0 unless the table is in runs.
    const uint64_t i = static_cast<uint64_t>(static_cast<int64_t>(id) - base_);
    if (i >= span_) return 0;
    const uint64_t entry = buckets_[i >> shift_];
    if (entry >= kSearchBucket) return 0;
    return BucketOrdinal(entry, static_cast<uint32_t>(i));
  }
  // Sets the ordinal of an id; 0 removes it.
  void Set(int id, uint32_t ordinal);
  // Sets the ordinal of an id that has none; false when it has one.
  bool Claim(int id, uint32_t ordinal) {
    if (form_ == Form::kArray && hi_.empty() && ordinal <= 0xFFFF) {
      const uint64_t i = static_cast<uint64_t>(static_cast<int64_t>(id) - base_);
      if (i < lo_.size()) {
        if (lo_[i]) return false;
        lo_[i] = static_cast<uint16_t>(ordinal);
        ++count_;
        return true;
      }
    }
    if (Get(id)) return false;
    Set(id, ordinal);
    return true;
  }
  // Leaves the run form, whose buckets answer without looking at a level
  // (GetQuick): called before any change of the ids or of a level.
  void Thaw() {
    if (form_ == Form::kRuns) Expand();
  }
  // Called once the ids are in: turns the array into runs when that pays.
  // A later Set turns the runs back into the array.
  void Compact();
  // Leaves GetQuick to answer only in the buckets whose ordinals `quick`
  // accepts; Get searches the others.
  template <class Quick>
  void RestrictQuick(Quick quick) {
    if (form_ != Form::kRuns) return;
    size_t run = 0;
    for (size_t b = 0; b < buckets_.size(); ++b) {
      while (runs_[run + 1].start <= uint64_t{b} << shift_) ++run;
      const uint64_t entry = buckets_[b];
      if (entry >= kSearchBucket) continue;
      if (!quick(static_cast<uint32_t>(entry >> 48)) || !quick(static_cast<uint32_t>(entry >> 32) & 0xFFFF))
        buckets_[b] = kSearchBucket | run;
    }
  }
  // Ids first..last (inclusive) that have one ordinal.
  struct Span {
    int first;
    int last;
    uint32_t ordinal;
  };
  // Fills the table straight from spans in ascending order, without the
  // array, when they do not overlap and runs pay; false (and the table left
  // empty) otherwise.
  bool AssignRuns(const std::vector<Span>& spans);
  size_t Count() const { return count_; }
  bool IsSparse() const { return form_ == Form::kSparse; }
  bool IsRuns() const { return form_ == Form::kRuns; }
  // Bytes held beyond the object itself.
  size_t MemoryBytes() const;

 private:
  enum class Form : uint8_t { kArray, kRuns, kSparse };
  struct Slot {
    int id;
    uint32_t ordinal;  // 0: free
  };
  // Ids start .. (the next run's start - 1), counted from base_, have the
  // ordinal. The runs cover [0, span_) without gaps (ids that no level holds
  // are runs of ordinal 0), so every id of the range is in exactly one; a
  // last run starting at span_ ends the search.
  struct Run {
    uint32_t start;
    uint32_t ordinal;
  };
  using Array = std::vector<uint16_t, inpM_HugePageAllocator<uint16_t>>;
  using Slots = std::vector<Slot, inpM_HugePageAllocator<Slot>>;
  // A bucket that holds at most one run start gives the ordinal of any of
  // its ids at once: the ordinal before that start (bits 48-63), the one
  // from it on (bits 32-47) and the start (bits 0-31; past the bucket when
  // one run covers it whole). Buckets with more starts, or with an ordinal
  // that does not fit 16 bits, are kSearchBucket | the run that holds their
  // first id, and the run of i is found from there by doubling steps, then
  // halving.
  static constexpr uint64_t kSearchBucket = uint64_t{0xFFFF} << 48;
  static constexpr uint32_t kMaxQuickOrdinal = 0xFFFE;
  // Runs count ids in 32 bits, with room for the sentinel.
  static constexpr uint64_t kMaxRunSpan = uint64_t{1} << 31;
  static uint32_t BucketOrdinal(uint64_t entry, uint32_t i) {
    const uint32_t before = static_cast<uint32_t>(entry >> 48), after = static_cast<uint32_t>(entry >> 32) & 0xFFFF;
    return i < static_cast<uint32_t>(entry) ? before : after;
  }
  uint32_t GetRun(uint32_t i) const {
    const uint64_t entry = buckets_[i >> shift_];
    if (entry < kSearchBucket) return BucketOrdinal(entry, i);
    // runs_[low].start <= i < runs_[high].start; the last run is the
    // sentinel that starts past every id.
    const size_t sentinel = runs_.size() - 1;
    size_t low = static_cast<uint32_t>(entry), step = 1;
    while (low + step < sentinel && runs_[low + step].start <= i) {
      low += step;
      step *= 2;
    }
    size_t high = std::min(low + step, sentinel);
    while (high - low > 1) {
      const size_t middle = low + (high - low) / 2;
      (runs_[middle].start <= i ? low : high) = middle;
    }
    return runs_[low].ordinal;
  }
  // One to two buckets per run: a bucket is then no longer than the average
  // run, so that most hold at most one run start, and for a model of a
  // thousand instances the buckets (10 KB) and the levels they lead to
  // (32 KB) stay in the first-level cache.
  static constexpr size_t kBucketsPerRun = 2;
  static bool RunsPay(size_t runs, uint64_t span);
  void FinishRuns(uint64_t n);
  uint32_t GetSparse(int id) const;
  void SetDense(size_t i, uint32_t ordinal);
  void SetSparse(int id, uint32_t ordinal);
  // Makes room for `id` in the dense array, or turns the table sparse when
  // the range would get too thin.
  void Extend(int id);
  void MakeSparse();
  // Turns the runs back into the array, or into the sparse form when the
  // array over their range would be too thin.
  void Expand();
  void Rehash(size_t capacity);
  static bool DenseEnough(int64_t span, size_t count);

  Form form_ = Form::kArray;
  size_t count_ = 0;
  // Dense form: ordinals of ids base_ .. base_ + lo_.size() - 1, low and
  // (only once an ordinal needs them) high 16 bits. The run form covers ids
  // base_ .. base_ + span_ - 1.
  int64_t base_ = 0;
  Array lo_;
  Array hi_;
  // Run form: the runs in id order, and an entry per bucket of 2^shift_ ids.
  std::vector<Run> runs_;
  std::vector<uint64_t> buckets_;
  uint64_t span_ = 0;
  unsigned shift_ = 0;
  // Sparse form: linear probing, capacity a power of two, at most half full.
  Slots slots_;
};

class inpM_GlobalIndex {
 public:
  // Indexes every global id of `maps`: instances in map order, then the
  // assembly level.
  void Build(const inpM_InstanceIdMaps& maps);

  // Whether any level holds a global id.
  bool Holds(int globalId) const { return owners_.Get(globalId) != 0; }
  // The answer for a global id: its level's name and its local id; reports
  // "Unknown global id: %s" when no level holds it. An id whose bucket holds
  // at most one run start and only affine levels with short names, the
  // common case, is answered inline from two small arrays without a call.
  inpM_StringIntPair Answer(int globalId) const {
    if (const uint32_t ordinal = owners_.GetQuick(globalId)) {
      const Level& level = levels_[ordinal - 1];
      return {cow_String::CopyOfShort(level.name), static_cast<int>(globalId - level.offset)};
    }
    return SlowAnswer(globalId);
  }
  // Keeps the index in step with one pair that a level's tables gained or
  // lost, the tables having changed already: O(1) (O(levels) for a removal
  // only while some id has two holders, which a damaged file can give).
  // `table` is the level's globalToLocal table as it is now: writing to a
  // shared table moves it.
  void Added(const cow_String& level, int globalId, int localId, const omi_IntTable<int>* table);
  void Removed(const cow_String& level, int globalId, const omi_IntTable<int>* table);
  // Whether both indexes list the same instance names in the same order.
  bool SameInstancesAs(const inpM_GlobalIndex& other) const;
  // Bytes held beyond the object itself.
  size_t MemoryBytes() const;

 private:
  // One level: an instance, or the assembly level (empty name), with the
  // offset when every pair of the level is local = global - offset (what a
  // pre-processor that numbers instance by instance gives), else kNotAffine.
  // 32 bytes, so that a thousand levels fit the first-level cache beside the
  // buckets, and the answer reads one line.
  struct alignas(32) Level {
    cow_String name;
    int64_t offset;
  };
  // No affine offset is this far from 0: global and local ids are ints.
  static constexpr int64_t kNotAffine = INT64_MIN;

  [[gnu::noinline]] inpM_StringIntPair SlowAnswer(int globalId) const;
  // The position of a level in levels_: the empty name is the assembly.
  size_t LevelOf(const cow_String& name) const;

  std::vector<Level> levels_;  // instances in map order, then the assembly
  // The globalToLocal table of each level (null: the level holds no ids).
  std::vector<const omi_IntTable<int>*> tables_;
  inpM_OwnerTable owners_;
  // Pairs held by all levels together; more than owners_.Count() when some
  // id has two holders.
  size_t holdings_ = 0;
};

// The index of a part map: both kinds, and whether the element map lists the
// same instances as the node map (the element membership test visits the
// node map's instance names, so only then may it answer from the index).
struct inpM_PartMapIndex {
  inpM_GlobalIndex nodes;
  inpM_GlobalIndex elements;
  bool sameInstances = true;
};

#endif
