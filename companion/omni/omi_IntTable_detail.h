// How the integer tables of omi_IntTable.h store their keys, and their
// inline fast paths. Included by omi_IntTable.h, at its end; not a header of
// its own.
//
// omi_UintTable<T> holds unsigned keys in blocks of 65536 consecutive keys
// found through an omi_BlockDir. Each block picks the form that costs less
// memory for the keys it holds:
// - dense: the values of a range of keys in one array, with a presence
//   bitmap after it (sizeof(T) + 1/8 bytes per key of the range). Slots of
//   absent keys hold zero, so a lookup reads one value and consults the
//   bitmap only when it meets a zero;
// - sparse: (low 16 bits, value) entries in ascending order of key. Spread
//   over a few more slots than there are entries, each entry lies within
//   kWindow slots of its home, the slot its low scales to over the block
//   ((low * homes) >> 16). A lookup computes the home and compares the
//   kWindow slots from there all at once: one cache miss, as in an
//   open-addressing hash table, and no unpredictable branch. Keys that
//   crowd a few homes too much for that (tight clusters) are packed
//   instead, with a table of bucket offsets (one or two buckets per two
//   entries) that narrows a lookup to a window of entries; a small block
//   is packed and one window. An insert moves the entries between its
//   place and the next empty slot one slot on; where that would take one
//   too far from its home, the block is laid out again over more homes
//   (an eighth more each time), and packed past two homes an entry. A
//   spread block keeps a bitmap of its filled slots, for walks.
// A sparse block becomes dense when that is no larger, or when it outgrows
// kSparseMax entries (inserting into a packed array moves its tail); a dense
// block goes back to sparse when that would take less than half the memory.
// The lopsided thresholds keep keys added and removed at the border from
// converting back and forth.
//
// Dense blocks that cover their whole key range (the blocks of an id table
// that is mostly full) move into one arena: a mapping that holds the values
// of the blocks of high bits 0, 1, ... end to end, as one array indexed by
// the key itself, followed by their bitmaps. A lookup in the arena computes
// the address of its value from the key alone, with no pointer to load
// first and nothing to subtract; random lookups then overlap their cache
// misses about as well as indexing a plain array does, which a lookup
// through the directory cannot (each load that the address depends on
// halves the misses in flight), and every instruction less per lookup lets
// the processor hold more of them in flight. Parts without a block are never
// written, so they cost address space but no memory, and read as zero:
// absent. The arena spans at most a few blocks per dense block the table
// holds or expects (kMaxSegments bounds it; a table whose keys all lie far
// above zero keeps its blocks out of it); a table told by Reserve how many
// keys to expect makes its first arena large enough for them (at most
// kMaxReserveSegs segments: address space, never memory, but a damaged
// count must not ask for all of it), so that a table loaded in one go never
// moves it.
//
// Only id tables (int values) use the arena and the pool of whole blocks
// (kUseArena): their random lookups are the library's hot path, and they
// are what a part file loads. Tables of doubles (nodal areas) are rebuilt
// whole by every renumbering, and heap blocks are recycled where fresh
// arena pages would each cost a page fault again.
#ifndef KVL_OMI_INTTABLE_DETAIL_H
#define KVL_OMI_INTTABLE_DETAIL_H

#ifndef KVL_OMI_INTTABLE_H
#error "omi_IntTable_detail.h is included by omi_IntTable.h only"
#endif

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

template <class T>
struct omi_UintTable<T>::Block {
  uint16_t hi;     // high 16 bits of the block's keys
  uint8_t kind;    // kPacked, kDense or kSpread
  uint8_t shift;   // packed: bucket of a key is low >> shift
  uint32_t n;      // keys held
  uint32_t base;   // dense: first low covered, a multiple of 64; spread: homes
  uint32_t cap;    // dense: lows covered (multiple of 64); sparse: entries
  void* data;      // dense: values; packed: entries (cap + kWindow, those
                   // past the last with low kNoLow), then bucket offsets;
                   // spread: homes + kWindow slots, the empty ones with
                   // low kNoLow, then `bits`
  uint64_t* bits;  // dense: the bitmap (after the values, or in the arena);
                   // spread: which slots hold entries, for walks
};

template <class T>
struct omi_UintTable<T>::Entry {
  uint32_t low;
  T value;
};

// The cursor reads the same way in either form of block. In a dense block
// the stretch is the run of keys that holds `at` (a whole block, for the ids
// of one instance); in a sparse one, a single entry. Reading a key and its
// value then tests nothing, and a step is an increment and a compare, or,
// at the end of a stretch in a sparse block, a move to the next entry: the
// lowest bit of a mask of the slots ahead that hold entries, so that empty
// slots cost no branch.
template <class T>
struct omi_UintTable<T>::Cursor {
  const void* block = nullptr;  // nullptr: past the end
  // Apart from the sparse fields: a step writes them with values, and
  // side by side the compiler packs them into one vector register that
  // each read must unpack.
  const T* values = nullptr;
  unsigned rank = 0;
  unsigned keyBase = 0;
  size_t at = 0;  // as wide as a pointer: it indexes values as it is
  size_t end = 0;
  // Sparse: the entries still to come are the bits of `mask` over the
  // 64 slots from `chunk`, then those of the block's later chunks.
  // Dense: both empty.
  const Entry* chunk = nullptr;
  uint64_t mask = 0;
};

// Marks offset `off` of a dense range present with `value`; false, with
// nothing changed, when it is present already. The one dense-slot insert of
// the tables' insert paths.
template <class T>
[[gnu::always_inline]] inline bool omi_SetDenseSlot(uint64_t* bits, T* values, unsigned off, const T& value) {
  uint64_t& w = bits[off >> 6];
  const uint64_t bit = uint64_t{1} << (off & 63);
  if (w & bit) return false;
  w |= bit;
  values[off] = value;
  return true;
}

// ---------------------------------------------------------------------------
// Inserts and lookups

template <class T>
inline bool omi_UintTable<T>::Insert(unsigned key, const T& value) {
  Block* b = dir_.Lookup(key >> 16);
  if (b && b->kind == kDense) {
    const unsigned off = (key & 0xFFFFu) - b->base;
    if (off < b->cap) {
      if (!omi_SetDenseSlot(Bits(*b), Values(*b), off, value)) return false;
      ++b->n;
      ++size_;
      return true;
    }
  }
  return InsertSlow(b, key, value);
}

template <class T>
inline const T* omi_UintTable<T>::Find(unsigned key) const {
  if (const T* v = FindArenaNonZero(key)) return v;
  return FindPastArena(key);
}

// A compare and one load from fields at fixed places. Both fields are read
// whatever the key: a loop of lookups then reads them once, before it
// starts, where a read under the compare would be repeated each time.
template <class T>
inline const T* omi_UintTable<T>::FindArenaNonZero(unsigned key) const {
  const T* const arena = reinterpret_cast<const T*>(arenaMem_);
  const size_t keys = arenaKeys_;
  if (size_t{key} < keys) {
    const T* v = arena + size_t{key};
    if (!IsZero(*v)) [[likely]] return v;
  }
  return nullptr;
}

// A sparse block is searched here; the rest (a zero value in the arena or a
// dense block) is out of line and free of effects, so that a loop of
// lookups keeps the table's fields and its own values in registers across
// it.
template <class T>
inline const T* omi_UintTable<T>::FindPastArena(unsigned key) const {
  const Block* b = dir_.Lookup(key >> 16);
  if (!b) return nullptr;
  if (b->kind != kDense) {
    const Entry* e = FindSparse(*b, key & 0xFFFFu);
    return e ? &e->value : nullptr;
  }
  return FindDense(*b, key);
}

template <class T>
inline void omi_UintTable<T>::Reserve(unsigned count) {
  reserveSegs_ = std::min(count / kBlockKeys + 1, kMaxReserveSegs);
}

// Absent dense slots hold all-zero bits; a present key may hold zero too,
// and its lookups then also read the bitmap.
template <class T>
inline bool omi_UintTable<T>::IsZero(const T& v) {
  using Raw = std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>;
  return std::bit_cast<Raw>(v) == 0;
}

template <class T>
inline const typename omi_UintTable<T>::Entry* omi_UintTable<T>::FindSparse(const Block& b, unsigned low) {
  const Entry* w = Entries(b);
  if (b.kind == kSpread) {
    w += Home(b, low);
  } else if (b.shift != kNoBuckets) {
    const uint16_t* bucket = Buckets(b) + (low >> b.shift);
    const unsigned lo = bucket[0], hi = bucket[1];
    if (hi - lo > kWindow) return FindCrowded(w + lo, w + hi, low);
    w += lo;
  }
  // The key, if present, is in the window; lows are distinct and empty
  // slots are kNoLow, so an equal low is the key.
  const unsigned match = WindowMatch(w, low);
  return match ? &w[__builtin_ctz(match) / kMatchBits] : nullptr;
}

// A mask with bit i * kMatchBits set when w[i].low == low, for the kWindow
// entries from w. The window is compared with vector loads: a lookup then
// waits on its cache misses with a handful of instructions in flight, where
// eight separate compares of loaded values keep random lookups from
// overlapping theirs.
#if defined(__SSE2__)
template <class T>
inline unsigned omi_UintTable<T>::WindowMatch(const Entry* w, unsigned low) {
  static_assert(kMatchBits == sizeof(Entry) / 4);
  static_assert(kWindow * sizeof(Entry) % 64 == 0 && kWindow * kMatchBits <= 32);
  // The dwords that hold lows: the first of each entry.
  constexpr unsigned kLows = sizeof(Entry) == 8 ? 0x55555555u : 0x11111111u;
  const __m128i k = _mm_set1_epi32(static_cast<int>(low));
  const __m128i* p = reinterpret_cast<const __m128i*>(w);
  unsigned dwords = 0;
  for (unsigned g = 0; g < kWindow * sizeof(Entry) / 64; ++g, p += 4) {
    // 64 bytes compared, narrowed to one bit per dword.
    const __m128i a = _mm_packs_epi32(_mm_cmpeq_epi32(_mm_loadu_si128(p), k), _mm_cmpeq_epi32(_mm_loadu_si128(p + 1), k));
    const __m128i b = _mm_packs_epi32(_mm_cmpeq_epi32(_mm_loadu_si128(p + 2), k), _mm_cmpeq_epi32(_mm_loadu_si128(p + 3), k));
    dwords |= static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(a, b))) << (g * 16);
  }
  return dwords & kLows;
}
#else
template <class T>
inline unsigned omi_UintTable<T>::WindowMatch(const Entry* w, unsigned low) {
  unsigned match = 0;
  for (unsigned i = 0; i < kWindow; ++i) match |= unsigned{w[i].low == low} << i;
  return match;
}
#endif

// ---------------------------------------------------------------------------
// Block layout

template <class T>
inline T* omi_UintTable<T>::Values(const Block& b) {
  return static_cast<T*>(b.data);
}

template <class T>
inline uint64_t* omi_UintTable<T>::Bits(const Block& b) {
  return b.bits;
}

// The arena: the values of ArenaSegs() blocks from the block of high bits 0
// on, then as many bitmaps.
template <class T>
inline unsigned omi_UintTable<T>::ArenaSegs() const {
  return static_cast<unsigned>(arenaKeys_ >> 16);
}

template <class T>
inline void omi_UintTable<T>::SetArena(char* mem, unsigned segs) {
  arenaMem_ = mem;
  arenaKeys_ = size_t{segs} << 16;
}

template <class T>
inline size_t omi_UintTable<T>::ArenaBytes() const {
  return ArenaSegs() * (kSegmentValues + kSegmentBits);
}

template <class T>
inline const uint64_t* omi_UintTable<T>::ArenaBits() const {
  return reinterpret_cast<const uint64_t*>(arenaMem_ + ArenaSegs() * kSegmentValues);
}

template <class T>
inline typename omi_UintTable<T>::Entry* omi_UintTable<T>::Entries(const Block& b) {
  return static_cast<Entry*>(b.data);
}

template <class T>
inline uint16_t* omi_UintTable<T>::Buckets(const Block& b) {
  return reinterpret_cast<uint16_t*>(Entries(b) + b.cap + kWindow);
}

template <class T>
inline unsigned omi_UintTable<T>::SpreadWords(unsigned homes) {
  return (homes + kWindow + 63) / 64;
}

template <class T>
inline unsigned omi_UintTable<T>::Home(const Block& b, unsigned low) {
  return low * b.base >> 16;
}

// The slots of a sparse block that may hold entries, and its first and last
// entry (the block holds one at least).
template <class T>
inline unsigned omi_UintTable<T>::Slots(const Block& b) {
  return b.kind == kSpread ? b.base + kWindow : b.n;
}

template <class T>
inline unsigned omi_UintTable<T>::SlotWords(const Block& b) {
  return (Slots(b) + 63) / 64;
}

template <class T>
inline unsigned omi_UintTable<T>::FirstSlot(const Block& b) {
  if (b.kind != kSpread) return 0;
  unsigned w = 0;
  while (!b.bits[w]) ++w;
  return w * 64 + static_cast<unsigned>(__builtin_ctzll(b.bits[w]));
}

template <class T>
inline unsigned omi_UintTable<T>::LastSlot(const Block& b) {
  if (b.kind != kSpread) return b.n - 1;
  unsigned w = SpreadWords(b.base) - 1;
  while (!b.bits[w]) --w;
  return w * 64 + 63 - static_cast<unsigned>(__builtin_clzll(b.bits[w]));
}

// Of a sparse block: bit i set when slot 64 * w + i holds an entry.
template <class T>
inline uint64_t omi_UintTable<T>::Occupied(const Block& b, unsigned w) {
  if (b.kind == kSpread) return b.bits[w];
  const unsigned first = w * 64;  // packed: the slots below n
  return first + 64 <= b.n ? ~uint64_t{0} : first >= b.n ? 0 : (uint64_t{1} << (b.n - first)) - 1;
}

template <class T>
inline size_t omi_UintTable<T>::DenseBytes(unsigned cap) {
  return cap / 8 + size_t{cap} * sizeof(T);
}

template <class T>
inline size_t omi_UintTable<T>::SpreadBytes(unsigned homes) {
  return (homes + size_t{kWindow}) * sizeof(Entry) + SpreadWords(homes) * sizeof(uint64_t);
}

// The homes a spread block of `cap` entries starts with: a quarter of its
// slots stay empty when it is full.
template <class T>
inline unsigned omi_UintTable<T>::DefaultHomes(unsigned cap) {
  return cap + cap / 3 + 1;
}

// A sparse block of `cap` entries, as it is usually laid out.
template <class T>
inline size_t omi_UintTable<T>::SparseBytes(unsigned cap) {
  return cap > kWindow ? SpreadBytes(DefaultHomes(cap)) : PackedBytes(cap);
}

template <class T>
inline size_t omi_UintTable<T>::BlockBytes(const Block& b) {
  return b.kind == kDense ? DenseBytes(b.cap) : b.kind == kSpread ? SpreadBytes(b.base) : PackedBytes(b.cap);
}

// ---------------------------------------------------------------------------
// Walks

template <class T>
template <class F>
inline void omi_UintTable<T>::ForEach(F&& f) const {
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
      PrefetchWalk(r, end);
      const Entry* e = Entries(*b);
      for (unsigned w = 0, words = SlotWords(*b); w < words; ++w) {
        for (uint64_t m = Occupied(*b, w); m; m &= m - 1) {
          const Entry& x = e[w * 64 + static_cast<unsigned>(__builtin_ctzll(m))];
          f(hi | x.low, x.value);
        }
      }
    }
  }
}

// A walker that only ever hands its cursor out by value keeps it in
// registers: its address never escapes to the out-of-line steps, so each
// step is not a store and a load.
template <class T>
inline typename omi_UintTable<T>::Cursor omi_UintTable<T>::First() const {
  Cursor c;
  SeekFirst(c);
  return c;
}

template <class T>
inline typename omi_UintTable<T>::Cursor omi_UintTable<T>::Last() const {
  Cursor c;
  SeekLast(c);
  return c;
}

template <class T>
inline typename omi_UintTable<T>::Cursor omi_UintTable<T>::Beyond(Cursor c) const {
  SeekBeyond(c);
  return c;
}

template <class T>
inline bool omi_UintTable<T>::StepInBlock(Cursor& c) {
  if (++c.at < c.end) [[likely]]
    return true;
  if (!c.mask && !NextChunk(c)) return false;
  const Entry* e = c.chunk + __builtin_ctzll(c.mask);
  c.mask &= c.mask - 1;
  c.at = 0;
  c.keyBase = (c.keyBase & 0xFFFF0000u) | e->low;
  c.values = &e->value;
  return true;
}

template <class T>
inline void omi_UintTable<T>::SeekNext(Cursor& c) const {
  if (!StepInBlock(c)) c = Beyond(c);
}

template <class T>
inline unsigned omi_UintTable<T>::KeyAt(const Cursor& c) {
  return c.keyBase + static_cast<unsigned>(c.at);
}

template <class T>
inline const T& omi_UintTable<T>::ValueAt(const Cursor& c) {
  return c.values[c.at];
}

// Moves a sparse cursor on to the next chunk of its block that holds
// entries; false when none is left (and for a dense cursor).
template <class T>
inline bool omi_UintTable<T>::NextChunk(Cursor& c) {
  if (!c.chunk) return false;
  const Block& b = *static_cast<const Block*>(c.block);
  for (unsigned w = static_cast<unsigned>(c.chunk - Entries(b)) / 64 + 1, words = SlotWords(b); w < words; ++w) {
    if (const uint64_t m = Occupied(b, w)) {
      c.chunk = Entries(b) + w * 64;
      c.mask = m;
      return true;
    }
  }
  return false;
}

// Enters a dense block (the caller sets the stretch), or a sparse one at its
// entry in slot `i`.
template <class T>
inline void omi_UintTable<T>::Enter(Cursor& c, const Block& b, unsigned i) {
  c.block = &b;
  if (b.kind == kDense) {
    c.keyBase = static_cast<unsigned>(b.hi) << 16 | b.base;
    c.values = Values(b);
    c.chunk = nullptr;
    c.mask = 0;
    return;
  }
  const Entry* e = Entries(b);
  c.keyBase = static_cast<unsigned>(b.hi) << 16 | e[i].low;
  c.values = &e[i].value;
  c.chunk = e + (i & ~63u);
  c.mask = Occupied(b, i / 64) & ~uint64_t{0} << (i & 63) << 1;  // the entries after i
  c.at = 0;
  c.end = 1;
}

// Sparse blocks lie wherever their growth left them on the heap (until Trim
// lines them up), a few kilobytes each. Reaching a block is a chain of loads
// (rank, entry, block) that the processor cannot start early: reading the
// block before it fills its window of instructions. So a walk at rank r
// fetches the whole of the block at r + kWalkAhead and the directory entry
// at r + 2 * kWalkAhead, and each jump finds its block in cache. Inlined
// always: as a call, the compiler sees a function without effects and drops
// it.
template <class T>
inline void omi_UintTable<T>::PrefetchWalk(unsigned r, unsigned end) const {
  if (r + 2 * kWalkAhead < end) __builtin_prefetch(dir_.AtRank(r + 2 * kWalkAhead));
  if (r + kWalkAhead < end) PrefetchSparse(dir_.AtRank(r + kWalkAhead));
}

template <class T>
inline void omi_UintTable<T>::PrefetchSparse(const Block* b) {
  if (!b || b->kind == kDense) return;
  // The slots, and after them the bitmap of a spread block.
  const char* p = static_cast<const char*>(b->data);
  const size_t bytes = b->kind == kSpread ? SpreadBytes(b->base) : size_t{b->n} * sizeof(Entry);
  for (size_t at = 0; at < bytes; at += 64) __builtin_prefetch(p + at);
}

// ---------------------------------------------------------------------------
// omi_IntTable and its iterator

// Past its first keys, a run is checked a chunk at a time without early
// exits, so that the compiler turns the check into vector code: a bulk
// insert of a million ids then spends little more on finding its runs than
// on reading them, and short runs cost no more than a plain loop.
template <class T>
inline int omi_IntTable<T>::RunEnd(const int* keys, int from, int n) {
  constexpr int kChunk = 64;
  const unsigned hi = HalfKey(keys[from]) >> 16;
  const auto goesOn = [keys, hi](int k) { return HalfKey(keys[k]) >> 16 == hi && keys[k] > keys[k - 1]; };
  int j = from + 1;
  for (const int head = std::min(n, from + kChunk); j < head; ++j)
    if (!goesOn(j)) return j;
  for (; j + kChunk <= n; j += kChunk) {
    unsigned off = 0;
    for (int k = j; k < j + kChunk; ++k) off |= (HalfKey(keys[k]) >> 16 ^ hi) | unsigned{keys[k] <= keys[k - 1]};
    if (off) break;
  }
  while (j < n && goesOn(j)) ++j;
  return j;
}

// The arena of the non-negative half is tried first, before the sign is
// looked at: it ends below 2^31, where the bit patterns of negative keys
// start (the negative half has none), so a negative key fails its compare
// and passes through to its half. A dense lookup is then one compare and
// one load, few enough instructions that the processor keeps nearly as many
// lookups' cache misses in flight as it does for a plain array. Past the
// arena the half is chosen by a test of the sign, which every lookup of
// non-negative ids predicts, rather than by an address computed from it:
// the half's fields are then at fixed places.
template <class T>
inline const T* omi_IntTable<T>::Find(int key) const {
  if (const T* v = halves_[0].FindArenaNonZero(HalfKey(key))) return v;
  if (key >= 0) [[likely]]
    return halves_[0].FindPastArena(HalfKey(key));
  return halves_[1].FindPastArena(HalfKey(key));
}

template <class T>
inline void omi_IntTableIterator<T>::First() {
  half_ = 1;
  cursor_ = table_->halves_[1].First();
  Settle();
}

template <class T>
inline void omi_IntTableIterator<T>::Last() {
  for (half_ = 0; half_ <= 1; ++half_) {
    cursor_ = table_->halves_[half_].Last();
    if (cursor_.block) return;
  }
  half_ = -1;  // the cursor of an empty half: an empty stretch
}

// A step within the cursor's stretch is one increment and one compare; a
// finished walk keeps an empty stretch, so that its steps also take the
// slow path, which leaves it finished.
template <class T>
inline void omi_IntTableIterator<T>::Next() {
  if (omi_UintTable<T>::StepInBlock(cursor_)) [[likely]]
    return;
  if (half_ < 0) {
    cursor_.at = cursor_.end = 0;
    return;
  }
  cursor_ = table_->halves_[half_].Beyond(cursor_);
  Settle();
}

template <class T>
inline int omi_IntTableIterator<T>::CurrentKey() const {
  return static_cast<int>(omi_UintTable<T>::KeyAt(cursor_));
}

template <class T>
inline const T& omi_IntTableIterator<T>::CurrentValue() const {
  return omi_UintTable<T>::ValueAt(cursor_);
}

// From a cursor that may have left its half: on to the next half while there
// is one, finished (half -1, an empty stretch) after the last.
template <class T>
inline void omi_IntTableIterator<T>::Settle() {
  while (!cursor_.block && --half_ >= 0) cursor_ = table_->halves_[half_].First();
  if (half_ < 0) cursor_.at = cursor_.end = 0;
}

#endif
