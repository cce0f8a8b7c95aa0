// Integer tables: one value (int or double) per 32-bit key.
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
// holds or expects (a table whose keys all lie far above zero keeps its
// blocks out of it); a table told by Reserve how many keys to expect makes
// its first arena large enough for them, so that a table loaded in one go
// never moves it.
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

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "kvl_api.h"
#include "omi_BlockDir.h"

template <class T>
class omi_IntTable;
template <class T>
class omi_IntTableIterator;

template <class T>
class KVL_API omi_UintTable {
  static_assert(std::is_trivially_copyable_v<T>);
  struct Entry;  // of a sparse block: the key's low 16 bits and its value

 public:
  omi_UintTable() = default;
  omi_UintTable(const omi_UintTable& other);
  omi_UintTable(omi_UintTable&& other) noexcept { Steal(other); }
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
  // Inserts `count` keys that ascend strictly and share their high 16 bits,
  // each given by its bit pattern, with the result of as many Insert calls
  // (the number added is returned). Their block is shaped once for them;
  // `more` says that the keys after them may go on in the same block.
  unsigned InsertRun(const int* keys, const T* values, unsigned count, bool more = false);

  const T* Find(unsigned key) const {
    if (const T* v = FindArenaNonZero(key)) return v;
    return FindPastArena(key);
  }
  T* Find(unsigned key) { return const_cast<T*>(std::as_const(*this).Find(key)); }

  // The arena slot of `key` when it holds a value that is not zero (so the
  // key is present), else nullptr: a compare and one load from fields at
  // fixed places, the path of nearly every dense lookup. Both fields are
  // read whatever the key: a loop of lookups then reads them once, before
  // it starts, where a read under the compare would be repeated each time.
  const T* FindArenaNonZero(unsigned key) const {
    const T* const arena = reinterpret_cast<const T*>(arenaMem_);
    const size_t keys = arenaKeys_;
    if (size_t{key} < keys) {
      const T* v = arena + size_t{key};
      if (!IsZero(*v)) [[likely]] return v;
    }
    return nullptr;
  }
  // Find for a key whose arena slot, if any, holds zero. A sparse block is
  // searched here; the rest (a zero value in the arena or a dense block) is
  // out of line and free of effects, so that a loop of lookups keeps the
  // table's fields and its own values in registers across it.
  const T* FindPastArena(unsigned key) const {
    const Block* b = dir_.Lookup(key >> 16);
    if (!b) return nullptr;
    if (b->kind != kDense) {
      const Entry* e = FindSparse(*b, key & 0xFFFFu);
      return e ? &e->value : nullptr;
    }
    return FindDense(*b, key);
  }

  // The values of the keys first..last (one block: the same high 16 bits)
  // one after another, when every one of them is present and they are
  // stored as one array (a dense block or the arena); else nullptr. Lets a
  // caller read a full stretch of keys as an array.
  const T* Span(unsigned first, unsigned last) const;

  // The number of keys the table is about to receive: an arena made for
  // them is made large enough for them all at once.
  void Reserve(unsigned count) { reserveSegs_ = std::min(count / kBlockKeys + 1, kMaxReserveSegs); }

  int Size() const { return size_; }
  bool IsEmpty() const { return size_ == 0; }
  void Clear();
  // Gives back the room that growth leaves after a load in pieces: sparse
  // blocks keep just their entries, dense blocks just the range of their
  // keys (leaving the arena when that is half of their block or less).
  // Sparse blocks are laid out again one after the other in key order, so
  // that a walk reads them as one stream rather than jumping across the
  // heap. The blocks themselves are put in key order (see omi_BlockDir:
  // ranked). Contents are unchanged.
  void Trim();
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

  // Ascending walk, for the iterators: a position is a rank of the
  // directory, a block and a place in it. The cursor reads the same way in
  // either form of block: it holds a stretch [at, end) of consecutive keys,
  // the key at offset i being keyBase + i and its value values[i]. In a
  // dense block the stretch is the run of keys that holds at (a whole
  // block, for the ids of one instance); in a sparse one, a single entry.
  // Reading a key and its value then tests nothing, and a step is an
  // increment and a compare, or, at the end of a stretch in a sparse
  // block, a move to the next entry: the lowest bit of a mask of the slots
  // ahead that hold entries, so that empty slots cost no branch.
  struct Cursor {
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
  void SeekFirst(Cursor& c) const;
  void SeekLast(Cursor& c) const;
  // The same as values. A walker that only ever hands its cursor out by
  // value keeps it in registers: its address never escapes to the
  // out-of-line steps, so each step is not a store and a load.
  Cursor First() const {
    Cursor c;
    SeekFirst(c);
    return c;
  }
  Cursor Last() const {
    Cursor c;
    SeekLast(c);
    return c;
  }
  // The cursor's next position once its stretch [at, end) is done.
  Cursor Beyond(Cursor c) const {
    SeekBeyond(c);
    return c;
  }
  // The step that stays in the cursor's block; false at the end of its
  // stretch in a dense block or of a sparse block's entries.
  [[gnu::always_inline]] static bool StepInBlock(Cursor& c) {
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
  void SeekNext(Cursor& c) const {
    if (!StepInBlock(c)) c = Beyond(c);
  }
  static unsigned KeyAt(const Cursor& c) { return c.keyBase + static_cast<unsigned>(c.at); }
  static const T& ValueAt(const Cursor& c) { return c.values[c.at]; }

 private:
  enum : uint8_t { kPacked = 0, kDense = 1, kSpread = 2 };  // kPacked and kSpread: sparse
  static constexpr unsigned kSparseMax = 4096;
  static constexpr uint8_t kNoBuckets = 16;  // bucket shift of an unindexed block
  static constexpr unsigned kWindow = 8;     // sparse entries compared per lookup
  static constexpr uint32_t kNoLow = 0xFFFFFFFFu;  // low of the entries past the last
  static constexpr unsigned kBlockKeys = 65536;
  static constexpr size_t kSegmentValues = kBlockKeys * sizeof(T);  // one block's values
  static constexpr size_t kSegmentBits = kBlockKeys / 8;            // one block's bitmap

  // Absent dense slots hold all-zero bits; a present key may hold zero too,
  // and its lookups then also read the bitmap.
  using Raw = std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>;
  static bool IsZero(const T& v) { return std::bit_cast<Raw>(v) == 0; }

  static constexpr unsigned kMaxSegments = 32768;  // a half's worth of high bits
  // What Reserve may ask for: address space, never memory, but a damaged
  // count must not ask for all of it.
  static constexpr unsigned kMaxReserveSegs = 2048;
  // Only id tables (int values) use the arena and the pool of whole blocks:
  // their random lookups are the library's hot path, and they are what a
  // part file loads. Tables of doubles (nodal areas) are rebuilt whole by
  // every renumbering, and heap blocks are recycled where fresh arena pages
  // would each cost a page fault again.
  static constexpr bool kUseArena = std::is_same_v<T, int>;

  struct Block {
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
  struct Entry {
    uint32_t low;
    T value;
  };

  static T* Values(const Block& b) { return static_cast<T*>(b.data); }
  static uint64_t* Bits(const Block& b) { return b.bits; }
  const uint64_t* ArenaBits() const {
    return reinterpret_cast<const uint64_t*>(arenaMem_ + ArenaSegs() * kSegmentValues);
  }
  static Entry* Entries(const Block& b) { return static_cast<Entry*>(b.data); }
  static uint16_t* Buckets(const Block& b) { return reinterpret_cast<uint16_t*>(Entries(b) + b.cap + kWindow); }
  static unsigned SpreadWords(unsigned homes) { return (homes + kWindow + 63) / 64; }
  static unsigned Home(const Block& b, unsigned low) { return low * b.base >> 16; }
  // The slots of a sparse block that may hold entries, and its first and
  // last entry (the block holds one at least).
  static unsigned Slots(const Block& b) { return b.kind == kSpread ? b.base + kWindow : b.n; }
  static unsigned SlotWords(const Block& b) { return (Slots(b) + 63) / 64; }
  static unsigned FirstSlot(const Block& b) {
    if (b.kind != kSpread) return 0;
    unsigned w = 0;
    while (!b.bits[w]) ++w;
    return w * 64 + static_cast<unsigned>(__builtin_ctzll(b.bits[w]));
  }
  static unsigned LastSlot(const Block& b) {
    if (b.kind != kSpread) return b.n - 1;
    unsigned w = SpreadWords(b.base) - 1;
    while (!b.bits[w]) --w;
    return w * 64 + 63 - static_cast<unsigned>(__builtin_clzll(b.bits[w]));
  }
  // Of a sparse block: bit i set when slot 64 * w + i holds an entry.
  static uint64_t Occupied(const Block& b, unsigned w) {
    if (b.kind == kSpread) return b.bits[w];
    const unsigned first = w * 64;  // packed: the slots below n
    return first + 64 <= b.n ? ~uint64_t{0} : first >= b.n ? 0 : (uint64_t{1} << (b.n - first)) - 1;
  }
  // Moves a sparse cursor on to the next chunk of its block that holds
  // entries; false when none is left (and for a dense cursor).
  static bool NextChunk(Cursor& c) {
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

  // Sparse blocks lie wherever their growth left them on the heap (until
  // Trim lines them up), a few kilobytes each. Reaching a block is a chain
  // of loads (rank, entry, block) that the processor cannot start early:
  // reading the block before it fills its window of instructions. So a
  // walk at rank r fetches the whole of the block at r + kWalkAhead and
  // the directory entry at r + 2 * kWalkAhead, and each jump finds its
  // block in cache.
  // Inlined always: as a call, the compiler sees a function without effects
  // and drops it.
  static constexpr unsigned kWalkAhead = 4;
  [[gnu::always_inline]] void PrefetchWalk(unsigned r, unsigned end) const {
    if (r + 2 * kWalkAhead < end) __builtin_prefetch(dir_.AtRank(r + 2 * kWalkAhead));
    if (r + kWalkAhead < end) PrefetchSparse(dir_.AtRank(r + kWalkAhead));
  }
  [[gnu::always_inline]] static void PrefetchSparse(const Block* b) {
    if (!b || b->kind == kDense) return;
    // The slots, and after them the bitmap of a spread block.
    const char* p = static_cast<const char*>(b->data);
    const size_t bytes = b->kind == kSpread ? SpreadBytes(b->base) : size_t{b->n} * sizeof(Entry);
    for (size_t at = 0; at < bytes; at += 64) __builtin_prefetch(p + at);
  }
  static const Entry* FindSparse(const Block& b, unsigned low) {
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
  // A mask with bit i * kMatchBits set when w[i].low == low, for the
  // kWindow entries from w. The window is compared with vector loads: a
  // lookup then waits on its cache misses with a handful of instructions in
  // flight, where eight separate compares of loaded values keep random
  // lookups from overlapping theirs.
#if defined(__SSE2__)
  static constexpr unsigned kMatchBits = sizeof(Entry) / 4;  // one bit per dword
  static unsigned WindowMatch(const Entry* w, unsigned low) {
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
  static constexpr unsigned kMatchBits = 1;
  static unsigned WindowMatch(const Entry* w, unsigned low) {
    unsigned match = 0;
    for (unsigned i = 0; i < kWindow; ++i) match |= unsigned{w[i].low == low} << i;
    return match;
  }
#endif
  // A dense block's slot for `key`, in the arena or apart from it.
  [[gnu::pure]] static const T* FindDense(const Block& b, unsigned key);
  // Only reads memory: a loop of lookups, whose one call this is, then
  // keeps the table's fields in registers instead of loading them again
  // after each lookup (fewer loads per lookup, more lookups in flight).
  [[gnu::pure]] static const Entry* FindCrowded(const Entry* first, const Entry* last, unsigned low);

  static size_t DenseBytes(unsigned cap) { return cap / 8 + size_t{cap} * sizeof(T); }
  static size_t PackedBytes(unsigned cap);
  static size_t SpreadBytes(unsigned homes) {
    return (homes + size_t{kWindow}) * sizeof(Entry) + SpreadWords(homes) * sizeof(uint64_t);
  }
  // The homes a spread block of `cap` entries starts with: a quarter of
  // its slots stay empty when it is full.
  static unsigned DefaultHomes(unsigned cap) { return cap + cap / 3 + 1; }
  // A sparse block of `cap` entries, as it is usually laid out.
  static size_t SparseBytes(unsigned cap) { return cap > kWindow ? SpreadBytes(DefaultHomes(cap)) : PackedBytes(cap); }
  static size_t BlockBytes(const Block& b) {
    return b.kind == kDense ? DenseBytes(b.cap) : b.kind == kSpread ? SpreadBytes(b.base) : PackedBytes(b.cap);
  }
  // Position of the first entry of a packed block whose low is not below `low`.
  static unsigned PackedPos(const Block& b, unsigned low);
  // Lays out the ascending entries e[0, n) over `homes` homes into `out`
  // (homes + kWindow slots, all empty), or with out nullptr only checks
  // that they fit: false when an entry would lie kWindow slots or more
  // past its home.
  static bool LaySpread(const Entry* e, unsigned n, unsigned homes, Entry* out);
  // Rebuilds a block, of any form, as a sparse one with room for `cap`
  // entries: spread over `homes` homes (0: DefaultHomes) or, where its
  // keys crowd, over more, up to two per entry; else packed. A block laid
  // out for good (`whole`) takes its memory as dense blocks that a table
  // gets whole do.
  void MakeSparse(Block& b, unsigned cap, unsigned homes = 0, bool whole = false);
  // Makes room in a full sparse block, which `low` is about to join: a
  // larger one, or dense where that is as small.
  void GrowSparse(Block& b, unsigned low);
  static void InsertPacked(Block& b, unsigned low, const T& value);
  // False, and the block unchanged, when the entry cannot go within kWindow
  // slots of its home without moving another as far from its own.
  static bool InsertSpread(Block& b, unsigned low, const T& value);
  // Slots [written, written + count) of the new dense range are left
  // uncleared: the caller fills them before anything reads them.
  void MakeDense(Block& b, unsigned base, unsigned cap, unsigned written = 0, unsigned count = 0);
  // Arena segments: places a zeroed one for the block of `hi` into `b`
  // (false when the arena cannot take it).
  bool ArenaSegment(Block& b, unsigned hi);
  size_t ArenaBytes() const { return ArenaSegs() * (kSegmentValues + kSegmentBits); }
  bool InArena(const void* data) const;
  // Frees a block's contents, as its form and place say.
  void FreeData(const Block& b);
  // A new empty sparse block for the keys of high bits `hi`.
  Block& AddBlock(unsigned hi);
  void FreeArena();
  void Steal(omi_UintTable& other);

  void SeekFrom(Cursor& c, unsigned rank) const;
  void SeekBeyond(Cursor& c) const;
  static void SeekInDense(Cursor& c, const Block& b, unsigned from);
  // Enters a dense block (the caller sets the stretch), or a sparse one at
  // its entry in slot `i`.
  static void Enter(Cursor& c, const Block& b, unsigned i = 0) {
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
  bool InsertSlow(Block* b, unsigned key, const T& value);
  // Readies the block of high bits `hi` for `count` ascending keys whose low
  // bits run from `first` to `last`: a block that is missing and would be
  // dense for them is made dense over their range, and a dense block is
  // widened to cover them, so that inserting them neither grows the block
  // step by step nor changes its form. A sparse block is made dense when
  // it would be once they are in. When `more` keys may follow, an id
  // table's block that is missing or sparse and gets at least kSparseMax
  // consecutive keys is made dense over all of its keys at once. Contents
  // are unchanged.
  void PrepareRun(unsigned hi, unsigned first, unsigned last, unsigned count, bool more);
  // Makes a dense block cover the lows [lo, hi) (multiples of 64) too.
  void Widen(Block& b, unsigned lo, unsigned hi);
  void FreeBlocks();
  void CopyBlocks(const omi_UintTable& from);

  omi_BlockDir<Block> dir_;
  // The arena, kept in the object itself so that a lookup reaches it
  // without a load: the values of ArenaSegs() blocks from the block of
  // high bits 0 on, then as many bitmaps. Its bound is kept as a number of
  // keys, so that the range check is one compare of the key.
  unsigned ArenaSegs() const { return static_cast<unsigned>(arenaKeys_ >> 16); }
  void SetArena(char* mem, unsigned segs) {
    arenaMem_ = mem;
    arenaKeys_ = size_t{segs} << 16;
  }
  char* arenaMem_ = nullptr;
  size_t arenaKeys_ = 0;  // as wide as a pointer: the key indexes the arena as it is compared
  int size_ = 0;
  unsigned reserveSegs_ = 0;  // from Reserve: the segments of a first arena
};

template <class T>
class KVL_API omi_IntTable {
 public:
  omi_IntTable() = default;

  // The key of `key` inside its half: the int's bit pattern.
  static unsigned HalfKey(int key) { return static_cast<unsigned>(key); }
  omi_UintTable<T>& Half(int key) { return halves_[HalfKey(key) >> 31]; }
  const omi_UintTable<T>& Half(int key) const { return halves_[HalfKey(key) >> 31]; }
  // The end of the run of keys from keys[from] (before n) that ascend and
  // share its high 16 bits. Past its first keys, a run is checked a chunk
  // at a time without early exits, so that the compiler turns the check
  // into vector code: a bulk insert of a million ids then spends little
  // more on finding its runs than on reading them, and short runs cost no
  // more than before.
  static int RunEnd(const int* keys, int from, int n) {
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
  // The arena of the non-negative half is tried first, before the sign is
  // looked at: it ends below 2^31, where the bit patterns of negative keys
  // start (the negative half has none), so a negative key fails its compare
  // and passes through to its half. A dense lookup is then one compare and
  // one load, few enough instructions that the processor keeps nearly as
  // many lookups' cache misses in flight as it does for a plain array. Past
  // the arena the half is chosen by a test of the sign, which every lookup
  // of non-negative ids predicts, rather than by an address computed from
  // it: the half's fields are then at fixed places.
  const T* Find(int key) const {
    if (const T* v = halves_[0].FindArenaNonZero(HalfKey(key))) return v;
    if (key >= 0) [[likely]]
      return halves_[0].FindPastArena(HalfKey(key));
    return halves_[1].FindPastArena(HalfKey(key));
  }
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

  void First() {
    half_ = 1;
    cursor_ = table_->halves_[1].First();
    Settle();
  }
  void Last() {
    for (half_ = 0; half_ <= 1; ++half_) {
      cursor_ = table_->halves_[half_].Last();
      if (cursor_.block) return;
    }
    half_ = -1;  // the cursor of an empty half: an empty stretch
  }
  // A step within the cursor's stretch is one increment and one compare; a
  // finished walk keeps an empty stretch, so that its steps also take the
  // slow path, which leaves it finished.
  void Next() {
    if (omi_UintTable<T>::StepInBlock(cursor_)) [[likely]]
      return;
    if (half_ < 0) {
      cursor_.at = cursor_.end = 0;
      return;
    }
    cursor_ = table_->halves_[half_].Beyond(cursor_);
    Settle();
  }
  bool IsDone() const { return half_ < 0; }
  int CurrentKey() const { return static_cast<int>(omi_UintTable<T>::KeyAt(cursor_)); }
  const T& CurrentValue() const { return omi_UintTable<T>::ValueAt(cursor_); }

 private:
  // From a cursor that may have left its half: on to the next half while
  // there is one, finished (half -1, an empty stretch) after the last.
  void Settle() {
    while (!cursor_.block && --half_ >= 0) cursor_ = table_->halves_[half_].First();
    if (half_ < 0) cursor_.at = cursor_.end = 0;
  }

  const omi_IntTable<T>* table_;
  int half_ = 1;  // 1: negative keys, 0: the others, -1: done
  typename omi_UintTable<T>::Cursor cursor_;
};

extern template class omi_UintTable<int>;
extern template class omi_UintTable<double>;

#endif
