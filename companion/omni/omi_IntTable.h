// Integer tables: one value (int or double) per 32-bit key.
//
// omi_IntTable<T> maps int keys to values of T (int: the id tables of the
// part map; double: nodal areas). Its contract:
// - Insert never replaces: a key already present keeps its value and Insert
//   answers false, so a caller can tell a duplicate from a new key and
//   decide.
// - Find answers a pointer to the key's value or nullptr. Pointers and
//   references to values stay valid until the table is next changed.
// - Visits (ForEach, omi_IntTableIterator) go in ascending signed order,
//   negative keys first; the table must not change meanwhile.
// - A lookup or an insert costs O(1); a lookup in a full stretch of ids is
//   one compare and one load. Keys that ascend go in a block at a time
//   (InsertAscending). Memory follows the keys held, not their range: keys
//   far apart cost a few bytes each, a full stretch of ids sizeof(T) and a
//   bit each.
// - A table belongs to one thread at a time; concurrent const calls on one
//   table are safe.
//
// omi_UintTable<T> is one half of a table, over unsigned keys; omi_IntTable
// keeps two, for keys >= 0 and keys < 0. How a half stores its keys (blocks
// of 65536 keys, dense or sparse, and the arena that a lookup indexes by the
// key itself) and the inline fast paths are in omi_IntTable_detail.h.
#ifndef KVL_OMI_INTTABLE_H
#define KVL_OMI_INTTABLE_H

#include <algorithm>
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
  struct Block;  // the keys of one value of the high 16 bits
  struct Entry;  // of a sparse block: the key's low 16 bits and its value

 public:
  omi_UintTable() = default;
  omi_UintTable(const omi_UintTable& other);
  omi_UintTable(omi_UintTable&& other) noexcept { Steal(other); }
  omi_UintTable& operator=(const omi_UintTable& other);
  omi_UintTable& operator=(omi_UintTable&& other) noexcept;
  ~omi_UintTable() { FreeBlocks(); }

  // True when the key was added; a key already present keeps its value.
  inline bool Insert(unsigned key, const T& value);
  // True when the key was present.
  bool Remove(unsigned key);
  // Inserts `count` keys that ascend strictly and share their high 16 bits,
  // each given by its bit pattern, with the result of as many Insert calls
  // (the number added is returned). Their block is shaped once for them;
  // `more` says that the keys after them may go on in the same block.
  unsigned InsertRun(const int* keys, const T* values, unsigned count, bool more = false);

  inline const T* Find(unsigned key) const;
  T* Find(unsigned key) { return const_cast<T*>(std::as_const(*this).Find(key)); }
  // Find in two steps, for callers that choose between halves: the first
  // answers a key whose arena slot holds a value that is not zero (nearly
  // every dense lookup), else nullptr; the second answers any other key.
  inline const T* FindArenaNonZero(unsigned key) const;
  inline const T* FindPastArena(unsigned key) const;

  // The values of the keys first..last (one block: the same high 16 bits)
  // one after another, when every one of them is present and they are
  // stored as one array; else nullptr. Lets a caller read a full stretch of
  // keys as an array.
  const T* Span(unsigned first, unsigned last) const;

  // The number of keys the table is about to receive: room for them all is
  // laid out at once, so that a table loaded in one go never moves.
  inline void Reserve(unsigned count);

  int Size() const { return size_; }
  bool IsEmpty() const { return size_ == 0; }
  void Clear();
  // Gives back the room that growth leaves after a load in pieces, and lays
  // the blocks out in key order for walks. Contents are unchanged.
  void Trim();
  // Heap and mapped bytes held (the object itself not counted).
  size_t MemoryBytes() const;
  bool operator==(const omi_UintTable& other) const;

  // f(unsigned key, const T& value) for every key, ascending.
  template <class F>
  inline void ForEach(F&& f) const;

  // Ascending walk, for the iterators. A cursor holds a stretch [at, end)
  // of consecutive keys: the key at offset i is keyBase + i and its value
  // values[i]. StepInBlock moves within the cursor's block (false at the end
  // of its stretch or block); Beyond moves past it. Handing cursors out by
  // value keeps a walker's cursor in registers.
  struct Cursor;
  inline Cursor First() const;
  inline Cursor Last() const;
  inline Cursor Beyond(Cursor c) const;
  [[gnu::always_inline]] static inline bool StepInBlock(Cursor& c);
  void SeekFirst(Cursor& c) const;
  void SeekLast(Cursor& c) const;
  inline void SeekNext(Cursor& c) const;
  static inline unsigned KeyAt(const Cursor& c);
  static inline const T& ValueAt(const Cursor& c);

 private:
  // The layout: omi_IntTable_detail.h says what each of these is for.
  enum : uint8_t { kPacked = 0, kDense = 1, kSpread = 2 };  // kPacked and kSpread: sparse
  static constexpr unsigned kSparseMax = 4096;
  static constexpr uint8_t kNoBuckets = 16;        // bucket shift of an unindexed block
  static constexpr unsigned kWindow = 8;           // sparse entries compared per lookup
  static constexpr uint32_t kNoLow = 0xFFFFFFFFu;  // low of the entries past the last
  static constexpr unsigned kBlockKeys = 65536;
  static constexpr size_t kSegmentValues = kBlockKeys * sizeof(T);  // one block's values
  static constexpr size_t kSegmentBits = kBlockKeys / 8;            // one block's bitmap
  static constexpr unsigned kMaxSegments = 32768;                   // a half's worth of high bits
  static constexpr unsigned kMaxReserveSegs = 2048;
  static constexpr bool kUseArena = std::is_same_v<T, int>;
  static constexpr unsigned kWalkAhead = 4;
#if defined(__SSE2__)
  static constexpr unsigned kMatchBits = sizeof(T) == 8 ? 4 : 2;  // one bit per dword of an entry
#else
  static constexpr unsigned kMatchBits = 1;
#endif

  // Inline helpers of the fast paths (omi_IntTable_detail.h).
  static inline bool IsZero(const T& v);
  static inline T* Values(const Block& b);
  static inline uint64_t* Bits(const Block& b);
  inline const uint64_t* ArenaBits() const;
  static inline Entry* Entries(const Block& b);
  static inline uint16_t* Buckets(const Block& b);
  static inline unsigned SpreadWords(unsigned homes);
  static inline unsigned Home(const Block& b, unsigned low);
  static inline unsigned Slots(const Block& b);
  static inline unsigned SlotWords(const Block& b);
  static inline unsigned FirstSlot(const Block& b);
  static inline unsigned LastSlot(const Block& b);
  static inline uint64_t Occupied(const Block& b, unsigned w);
  static inline bool NextChunk(Cursor& c);
  [[gnu::always_inline]] inline void PrefetchWalk(unsigned r, unsigned end) const;
  [[gnu::always_inline]] static inline void PrefetchSparse(const Block* b);
  static inline const Entry* FindSparse(const Block& b, unsigned low);
  static inline unsigned WindowMatch(const Entry* w, unsigned low);
  static inline size_t DenseBytes(unsigned cap);
  static inline size_t SpreadBytes(unsigned homes);
  static inline unsigned DefaultHomes(unsigned cap);
  static inline size_t SparseBytes(unsigned cap);
  static inline size_t BlockBytes(const Block& b);
  static inline void Enter(Cursor& c, const Block& b, unsigned i = 0);
  inline size_t ArenaBytes() const;
  inline unsigned ArenaSegs() const;
  inline void SetArena(char* mem, unsigned segs);

  // The cold paths (omi_IntTable.cpp).
  [[gnu::pure]] static const T* FindDense(const Block& b, unsigned key);
  [[gnu::pure]] static const Entry* FindCrowded(const Entry* first, const Entry* last, unsigned low);
  static size_t PackedBytes(unsigned cap);
  static unsigned PackedPos(const Block& b, unsigned low);
  static bool LaySpread(const Entry* e, unsigned n, unsigned homes, Entry* out);
  void MakeSparse(Block& b, unsigned cap, unsigned homes = 0, bool whole = false);
  void GrowSparse(Block& b, unsigned low);
  static void InsertPacked(Block& b, unsigned low, const T& value);
  static bool InsertSpread(Block& b, unsigned low, const T& value);
  void MakeDense(Block& b, unsigned base, unsigned cap, unsigned written = 0, unsigned count = 0);
  bool ArenaSegment(Block& b, unsigned hi);
  bool InArena(const void* data) const;
  void FreeData(const Block& b);
  Block& AddBlock(unsigned hi);
  void FreeArena();
  void Steal(omi_UintTable& other);
  void SeekFrom(Cursor& c, unsigned rank) const;
  void SeekBeyond(Cursor& c) const;
  static void SeekInDense(Cursor& c, const Block& b, unsigned from);
  bool InsertSlow(Block* b, unsigned key, const T& value);
  void PrepareRun(unsigned hi, unsigned first, unsigned last, unsigned count, bool more);
  void Widen(Block& b, unsigned lo, unsigned hi);
  void FreeBlocks();
  void CopyBlocks(const omi_UintTable& from);

  omi_BlockDir<Block> dir_;
  // The arena, kept in the object itself so that a lookup reaches it
  // without a load; its bound is a number of keys, so that the range check
  // is one compare of the key.
  char* arenaMem_ = nullptr;
  size_t arenaKeys_ = 0;  // as wide as a pointer: the key indexes the arena as it is compared
  int size_ = 0;
  unsigned reserveSegs_ = 0;  // from Reserve: the segments of a first arena
};

template <class T>
class KVL_API omi_IntTable {
 public:
  omi_IntTable() = default;

  // The key of `key` inside its half: the int's bit pattern, so that both
  // halves order their keys as the ints order.
  static unsigned HalfKey(int key) { return static_cast<unsigned>(key); }
  omi_UintTable<T>& Half(int key) { return halves_[HalfKey(key) >> 31]; }
  const omi_UintTable<T>& Half(int key) const { return halves_[HalfKey(key) >> 31]; }
  // The end of the run of keys from keys[from] (before n) that ascend and
  // share its high 16 bits.
  static inline int RunEnd(const int* keys, int from, int n);

  bool Insert(int key, const T& value) { return Half(key).Insert(HalfKey(key), value); }
  // Inserts keys[i] with values[i] for i in [0, n), in that order, with the
  // result of as many Insert calls (the number of keys added is returned).
  // Keys that ascend, as a table's stored form lists them, go in a block at
  // a time with the block shaped once for them. A caller that inserts a
  // long ascending sequence a piece at a time says `more` for every piece
  // but the last: the block that a piece ends in is then laid out for the
  // keys still to come (Trim gives back what they leave unused).
  int InsertAscending(const int* keys, const T* values, int n, bool more = false) {
    int added = 0;
    for (int i = 0; i < n;) {
      const int j = RunEnd(keys, i, n);
      added += static_cast<int>(Half(keys[i]).InsertRun(keys + i, values + i, static_cast<unsigned>(j - i), more && j == n));
      i = j;
    }
    return added;
  }
  bool Remove(int key) { return Half(key).Remove(HalfKey(key)); }
  void Trim() {
    halves_[0].Trim();
    halves_[1].Trim();
  }
  bool IsMember(int key) const { return Find(key) != nullptr; }
  // See omi_UintTable::Span; first and last have the same sign.
  const T* Span(int first, int last) const {
    if (first > last || (first ^ last) < 0) return nullptr;
    return Half(first).Span(HalfKey(first), HalfKey(last));
  }
  inline const T* Find(int key) const;
  T* Find(int key) { return const_cast<T*>(std::as_const(*this).Find(key)); }
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
  // The number of keys the table is about to receive, non-negative ones (a
  // table of ids): see omi_UintTable::Reserve.
  void Reserve(int count) {
    if (count > 0) halves_[0].Reserve(static_cast<unsigned>(count));
  }

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

  inline void First();
  inline void Last();
  inline void Next();
  bool IsDone() const { return half_ < 0; }
  inline int CurrentKey() const;
  inline const T& CurrentValue() const;

 private:
  inline void Settle();

  const omi_IntTable<T>* table_;
  int half_ = 1;  // 1: negative keys, 0: the others, -1: done
  typename omi_UintTable<T>::Cursor cursor_;
};

#include "omi_IntTable_detail.h"

extern template class omi_UintTable<int>;
extern template class omi_UintTable<double>;

#endif
