// Integer sets: omi_BlkBitVect, a bit vector stored in blocks, and omi_Set,
// the library's id set built on it.
//
// An id is mapped to the unsigned u = id ^ 0x80000000, so that unsigned order
// is the ids' signed order and every int, INT_MIN to INT_MAX, is a member
// like any other. The high 16 bits of u choose a container through an
// omi_BlockDir; the low 16 bits are its member, held in one of two forms:
// - array: the sorted lows (2 bytes each), at most kArrayMax of them;
// - bitmap: 65536 bits (8 KB), for containers with more members.
// An array that would exceed kArrayMax members becomes a bitmap. A bitmap
// becomes an array again only when it falls below kBitmapMin members: a
// conversion costs a pass over the bitmap, and union and intersection of
// bitmaps would otherwise pay it on every call whose result is mid-sized.
// Equality compares members, never forms.
//
// Unions, intersections and differences work container by container; two
// bitmaps combine word by word, so a dense set costs about what a plain
// bitset costs. Count() is kept up to date by every operation.
#ifndef KVL_OMI_SET_H
#define KVL_OMI_SET_H

#include <climits>
#include <cstddef>
#include <cstdint>

#include "kvl_api.h"
#include "omi_BlockDir.h"

class omi_BlkBitVectTrav;

class KVL_API omi_BlkBitVect {
 public:
  omi_BlkBitVect() = default;
  omi_BlkBitVect(const omi_BlkBitVect& other);
  omi_BlkBitVect(omi_BlkBitVect&& other) noexcept;
  omi_BlkBitVect& operator=(const omi_BlkBitVect& other);
  omi_BlkBitVect& operator=(omi_BlkBitVect&& other) noexcept;
  ~omi_BlkBitVect() { FreeContainers(); }

  // True when the id was added.
  bool Insert(int id) {
    const unsigned u = Map(id);
    Container* c = dir_.Lookup(u >> 16);
    if (c && c->kind == kBitmap) {
      uint64_t& w = Words(*c)[(u & 0xFFFFu) >> 6];
      const uint64_t bit = uint64_t{1} << (u & 63);
      if (w & bit) return false;
      w |= bit;
      ++c->n;
      ++count_;
      return true;
    }
    return InsertSlow(c, u);
  }
  // True when the id was removed.
  bool Remove(int id);
  bool IsMember(int id) const {
    const unsigned u = Map(id);
    const Container* c = dir_.Lookup(u >> 16);
    if (!c) return false;
    const unsigned low = u & 0xFFFFu;
    if (c->kind == kBitmap) return Words(*c)[low >> 6] >> (low & 63) & 1;
    const unsigned p = LowerBound(Lows(*c), c->n, low);
    return p < c->n && Lows(*c)[p] == low;
  }
  int Count() const { return count_ > INT_MAX ? INT_MAX : static_cast<int>(count_); }
  bool IsEmpty() const { return count_ == 0; }
  void Clear();

  // Bulk insertion, duplicates allowed, container by container. Ids in
  // ascending order go in as they are; others are sorted first.
  void InsertSorted(const int* ids, int n);
  void Insert(const int* ids, int n);

  omi_BlkBitVect& operator+=(const omi_BlkBitVect& other);  // union
  omi_BlkBitVect& operator&=(const omi_BlkBitVect& other);  // intersection
  omi_BlkBitVect& operator-=(const omi_BlkBitVect& other);  // difference
  bool operator==(const omi_BlkBitVect& other) const;

  // Smallest and largest member; an empty vector gives INT_MAX and INT_MIN,
  // the neutral values of a minimum and a maximum.
  int Smallest() const;
  int Largest() const;

  // f(int id) for every member, ascending.
  template <class F>
  void ForEach(F&& f) const {
    for (unsigned r = dir_.FirstRank(), end = dir_.EndRank(); r < end; ++r) {
      const Container* c = dir_.AtRank(r);
      if (!c) continue;
      const unsigned hi = (static_cast<unsigned>(c->hi) << 16) ^ 0x80000000u;
      if (c->kind == kBitmap) {
        const uint64_t* words = Words(*c);
        for (unsigned w = 0; w < kWords; ++w)
          for (uint64_t word = words[w]; word; word &= word - 1)
            f(static_cast<int>(hi | (w * 64 + static_cast<unsigned>(__builtin_ctzll(word)))));
      } else {
        const uint16_t* lows = Lows(*c);
        for (unsigned i = 0; i < c->n; ++i) f(static_cast<int>(hi | lows[i]));
      }
    }
  }
  // f(int smallest, int largest, int count) for every container: the
  // bounds of its members and their number, ascending. With ForEachIn and
  // UniteShifted, lets a caller work on a vector a container at a time.
  template <class F>
  void ForEachContainer(F&& f) const {
    for (unsigned r = dir_.FirstRank(), end = dir_.EndRank(); r < end; ++r)
      if (const Container* c = dir_.AtRank(r)) {
        const unsigned hi = static_cast<unsigned>(c->hi) << 16;
        const Bounds b = LowBounds(*c);
        f(static_cast<int>((hi | b.first) ^ 0x80000000u), static_cast<int>((hi | b.last) ^ 0x80000000u),
          static_cast<int>(c->n));
      }
  }
  // f(int id) for every member of [first, last], ascending; first and last
  // lie in one container.
  template <class F>
  void ForEachIn(int first, int last, F&& f) const {
    const Container* c = dir_.Lookup(Map(first) >> 16);
    if (!c || first > last) return;
    const unsigned hi = Map(first) & 0xFFFF0000u, lo = Map(first) & 0xFFFFu, top = Map(last) & 0xFFFFu;
    if (c->kind == kBitmap) {
      const uint64_t* words = Words(*c);
      for (unsigned w = lo >> 6; w <= top >> 6; ++w)
        for (uint64_t word = WordIn(words, w, lo, top); word; word &= word - 1)
          f(static_cast<int>((hi | (w * 64 + static_cast<unsigned>(__builtin_ctzll(word)))) ^ 0x80000000u));
    } else {
      const uint16_t* lows = Lows(*c);
      for (unsigned i = LowerBound(lows, c->n, lo); i < c->n && lows[i] <= top; ++i)
        f(static_cast<int>((hi | lows[i]) ^ 0x80000000u));
    }
  }
  // Adds id + delta for every member id of `from` in [first, last], which
  // lie in one container of `from`; no id + delta may leave the int range.
  // A bitmap moves a word at a time: the cost of copying a container, not
  // of inserting its members one by one.
  void UniteShifted(const omi_BlkBitVect& from, int first, int last, long long delta);
  // Count() ids, ascending.
  void ToArray(int* out) const;
  // Heap bytes held (the object itself not counted).
  size_t MemoryBytes() const;

 private:
  enum : uint8_t { kArray = 0, kBitmap = 1 };
  static constexpr unsigned kWords = 1024;      // 65536 bits
  static constexpr unsigned kArrayMax = 4096;   // an array this long is as large as a bitmap
  static constexpr unsigned kBitmapMin = 256;

  struct Container {
    uint16_t hi;
    uint8_t kind;
    uint32_t n;    // members
    uint32_t cap;  // array: lows allocated
    void* data;
  };

  static unsigned Map(int id) { return static_cast<unsigned>(id) ^ 0x80000000u; }
  static uint64_t* Words(const Container& c) { return static_cast<uint64_t*>(c.data); }
  static uint16_t* Lows(const Container& c) { return static_cast<uint16_t*>(c.data); }
  static unsigned LowerBound(const uint16_t* a, unsigned n, unsigned x) {
    unsigned lo = 0;
    while (n > 0) {
      const unsigned half = n / 2;
      if (a[lo + half] < x) {
        lo += half + 1;
        n -= half + 1;
      } else {
        n = half;
      }
    }
    return lo;
  }

  // Word w of a bitmap with its bits outside the lows [lo, top] cleared.
  static uint64_t WordIn(const uint64_t* words, unsigned w, unsigned lo, unsigned top) {
    uint64_t word = words[w];
    if (w == lo >> 6) word &= ~uint64_t{0} << (lo & 63);
    if (w == top >> 6) word &= ~uint64_t{0} >> (63 - (top & 63));
    return word;
  }
  struct Bounds {
    unsigned first, last;
  };
  // The smallest and largest low of a container that holds members.
  static Bounds LowBounds(const Container& c);

  // A new container, for high bits the vector has none of, holding a copy
  // of o's members.
  Container& AddCopy(const Container& o);
  bool InsertSlow(Container* c, unsigned u);
  // Container helpers (omi_Set.cpp).
  static void ToBitmap(Container& c);
  static void ToArrayForm(Container& c);
  static void Unite(Container& c, const Container& o);
  static void Intersect(Container& c, const Container& o);
  static void Subtract(Container& c, const Container& o);
  static bool SameMembers(const Container& c, const Container& o);
  static size_t Bytes(const Container& c);
  void InsertAscending(const int* ids, int n);
  void EraseAt(unsigned pos);
  void FreeContainers();
  void CopyContainers();

  omi_BlockDir<Container> dir_;
  long long count_ = 0;

  friend class omi_BlkBitVectTrav;
};

// Ascending walk over a bit vector, which must not change meanwhile.
class KVL_API omi_BlkBitVectTrav {
 public:
  explicit omi_BlkBitVectTrav(const omi_BlkBitVect& v) : v_(&v) { First(); }
  void First();
  void Next();
  bool IsDone() const { return c_ == nullptr; }
  int CurrentItem() const {
    const unsigned low = c_->kind == omi_BlkBitVect::kBitmap ? at_ : omi_BlkBitVect::Lows(*c_)[at_];
    return static_cast<int>(((static_cast<unsigned>(c_->hi) << 16) | low) ^ 0x80000000u);
  }

 private:
  void SeekFrom(unsigned rank);

  const omi_BlkBitVect* v_;
  const omi_BlkBitVect::Container* c_ = nullptr;
  unsigned rank_ = 0;
  unsigned at_ = 0;  // bitmap: the member's low bits; array: its index
};

// The library's id set.
class KVL_API omi_Set {
 public:
  bool Insert(int id) { return bits_.Insert(id); }
  bool Remove(int id) { return bits_.Remove(id); }
  bool IsMember(int id) const { return bits_.IsMember(id); }
  int Size() const { return bits_.Count(); }
  bool IsEmpty() const { return bits_.IsEmpty(); }
  void Clear() { bits_.Clear(); }

  omi_Set& operator+=(const omi_Set& other) {
    bits_ += other.bits_;
    return *this;
  }
  omi_Set& operator&=(const omi_Set& other) {
    bits_ &= other.bits_;
    return *this;
  }
  omi_Set& operator-=(const omi_Set& other) {
    bits_ -= other.bits_;
    return *this;
  }
  bool operator==(const omi_Set& other) const { return bits_ == other.bits_; }

  // Smallest and largest member; see omi_BlkBitVect for an empty set.
  int Smallest() const { return bits_.Smallest(); }
  int Largest() const { return bits_.Largest(); }

  void InsertSorted(const int* ids, int n) { bits_.InsertSorted(ids, n); }
  void Insert(const int* ids, int n) { bits_.Insert(ids, n); }
  // See omi_BlkBitVect::UniteShifted.
  void UniteShifted(const omi_Set& from, int first, int last, long long delta) {
    bits_.UniteShifted(from.bits_, first, last, delta);
  }
  template <class F>
  void ForEach(F&& f) const {
    bits_.ForEach(f);
  }
  void ToArray(int* out) const { bits_.ToArray(out); }
  size_t MemoryBytes() const { return bits_.MemoryBytes(); }
  const omi_BlkBitVect& BitVector() const { return bits_; }

 private:
  omi_BlkBitVect bits_;
};

// Ascending walk over a set, which must not change meanwhile.
class KVL_API omi_SetIT {
 public:
  explicit omi_SetIT(const omi_Set& set) : trav_(set.BitVector()) {}
  void First() { trav_.First(); }
  void Next() { trav_.Next(); }
  bool IsDone() const { return trav_.IsDone(); }
  int CurrentItem() const { return trav_.CurrentItem(); }

 private:
  omi_BlkBitVectTrav trav_;
};

#endif
