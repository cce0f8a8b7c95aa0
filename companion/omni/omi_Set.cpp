// Bit vectors: container forms, set algebra and the ascending walk; their
// vector kernels are in omi_SetKernels.cpp.
#include "omi_Set.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "omi_SetKernels.h"

namespace {

unsigned ArrayNextCap(unsigned cap, unsigned limit) {
  const unsigned next = cap < 64 ? std::max(4u, 2 * cap) : cap + cap / 4;
  return std::min(next, limit);
}

}  // namespace

// ---------------------------------------------------------------------------
// Life cycle

omi_BlkBitVect::omi_BlkBitVect(const omi_BlkBitVect& other) : dir_(other.dir_), count_(other.count_) {
  CopyContainers();
}

omi_BlkBitVect::omi_BlkBitVect(omi_BlkBitVect&& other) noexcept
    : dir_(std::move(other.dir_)), count_(std::exchange(other.count_, 0)) {}

omi_BlkBitVect& omi_BlkBitVect::operator=(const omi_BlkBitVect& other) {
  if (this != &other) *this = omi_BlkBitVect(other);
  return *this;
}

omi_BlkBitVect& omi_BlkBitVect::operator=(omi_BlkBitVect&& other) noexcept {
  if (this != &other) {
    FreeContainers();
    dir_ = std::move(other.dir_);
    count_ = std::exchange(other.count_, 0);
  }
  return *this;
}

void omi_BlkBitVect::FreeContainers() {
  Container* c = dir_.Data();
  for (unsigned i = 0; i < dir_.Count(); ++i) mem_Free(c[i].data);
}

size_t omi_BlkBitVect::Bytes(const Container& c) {
  return c.kind == kBitmap ? kWords * sizeof(uint64_t) : c.cap * sizeof(uint16_t);
}

// After the directory was copied: give every container its own members.
void omi_BlkBitVect::CopyContainers() {
  Container* c = dir_.Data();
  unsigned done = 0;
  try {
    for (; done < dir_.Count(); ++done) {
      void* data = mem_Malloc(Bytes(c[done]));
      std::memcpy(data, c[done].data, Bytes(c[done]));
      c[done].data = data;
    }
  } catch (...) {
    for (unsigned i = 0; i < done; ++i) mem_Free(c[i].data);
    dir_.Reset();
    count_ = 0;
    throw;
  }
}

void omi_BlkBitVect::Clear() {
  FreeContainers();
  dir_.Reset();
  count_ = 0;
}

void omi_BlkBitVect::EraseAt(unsigned pos) {
  mem_Free(dir_.Data()[pos].data);
  dir_.Erase(pos);
}

size_t omi_BlkBitVect::MemoryBytes() const {
  size_t bytes = dir_.MemoryBytes();
  const Container* c = dir_.Data();
  for (unsigned i = 0; i < dir_.Count(); ++i) bytes += Bytes(c[i]);
  return bytes;
}

// ---------------------------------------------------------------------------
// Container forms

void omi_BlkBitVect::ToBitmap(Container& c) {
  uint64_t* words = static_cast<uint64_t*>(mem_Malloc(kWords * sizeof(uint64_t)));
  std::memset(words, 0, kWords * sizeof(uint64_t));
  const uint16_t* lows = Lows(c);
  for (unsigned i = 0; i < c.n; ++i) words[lows[i] >> 6] |= uint64_t{1} << (lows[i] & 63);
  mem_Free(c.data);
  c.data = words;
  c.kind = kBitmap;
  c.cap = 0;
}

void omi_BlkBitVect::ToArrayForm(Container& c) {
  uint16_t* lows = static_cast<uint16_t*>(mem_Malloc(c.n * sizeof(uint16_t)));
  const uint64_t* words = Words(c);
  unsigned n = 0;
  for (unsigned w = 0; w < kWords; ++w)
    for (uint64_t word = words[w]; word; word &= word - 1)
      lows[n++] = static_cast<uint16_t>(w * 64 + static_cast<unsigned>(__builtin_ctzll(word)));
  mem_Free(c.data);
  c.data = lows;
  c.kind = kArray;
  c.cap = c.n;
}

// ---------------------------------------------------------------------------
// Single ids

bool omi_BlkBitVect::InsertSlow(Container* c, unsigned u) {
  const unsigned low = u & 0xFFFFu;
  if (!c) {
    c = &dir_.Add(u >> 16);
    c->kind = kArray;
  }
  if (c->kind == kArray) {
    uint16_t* lows = Lows(*c);
    const unsigned p = (c->n && lows[c->n - 1] < low) ? c->n : LowerBound(lows, c->n, low);
    if (p < c->n && lows[p] == low) return false;
    if (c->n == kArrayMax) {
      ToBitmap(*c);
    } else {
      if (c->n == c->cap) {
        c->cap = ArrayNextCap(c->cap, kArrayMax);
        c->data = mem_Realloc(c->data, c->cap * sizeof(uint16_t));
        lows = Lows(*c);
      }
      std::memmove(lows + p + 1, lows + p, (c->n - p) * sizeof(uint16_t));
      lows[p] = static_cast<uint16_t>(low);
      ++c->n;
      ++count_;
      return true;
    }
  }
  Words(*c)[low >> 6] |= uint64_t{1} << (low & 63);  // absent: the array said so
  ++c->n;
  ++count_;
  return true;
}

bool omi_BlkBitVect::Remove(int id) {
  const unsigned u = Map(id);
  Container* c = dir_.Lookup(u >> 16);
  if (!c) return false;
  const unsigned low = u & 0xFFFFu;
  if (c->kind == kBitmap) {
    uint64_t& w = Words(*c)[low >> 6];
    const uint64_t bit = uint64_t{1} << (low & 63);
    if (!(w & bit)) return false;
    w &= ~bit;
    --c->n;
    if (c->n && c->n < kBitmapMin) ToArrayForm(*c);
  } else {
    uint16_t* lows = Lows(*c);
    const unsigned p = LowerBound(lows, c->n, low);
    if (p == c->n || lows[p] != low) return false;
    std::memmove(lows + p, lows + p + 1, (c->n - p - 1) * sizeof(uint16_t));
    --c->n;
  }
  --count_;
  if (!c->n) EraseAt(static_cast<unsigned>(c - dir_.Data()));
  return true;
}

// ---------------------------------------------------------------------------
// Bulk insertion

void omi_BlkBitVect::InsertSorted(const int* ids, int n) { Insert(ids, n); }

void omi_BlkBitVect::Insert(const int* ids, int n) {
  if (n <= 0) return;
  // A count without an early exit, so that the check runs as a vector loop.
  int descents = 0;
  for (int i = 1; i < n; ++i) descents += ids[i] < ids[i - 1];
  if (descents == 0) {
    InsertAscending(ids, n);
    return;
  }
  std::vector<int> sorted(ids, ids + n);
  std::sort(sorted.begin(), sorted.end());
  InsertAscending(sorted.data(), n);
}

// Container by container: the ids of one container go straight into its
// bitmap when they are too many for an array, else into an array of lows
// united with what the container holds.
void omi_BlkBitVect::InsertAscending(const int* ids, int n) {
  std::vector<uint16_t> lows;
  for (int i = 0; i < n;) {
    const unsigned hi = Map(ids[i]) >> 16;
    // The first id past the container: ids are ascending, and the mapping
    // keeps their order.
    int j = n;
    if (hi != 0xFFFFu) {
      const int next = static_cast<int>(((hi + 1) << 16) ^ 0x80000000u);  // the next container's first id
      j = static_cast<int>(std::lower_bound(ids + i, ids + n, next) - ids);
    }
    Container* c = dir_.Lookup(hi);
    if (!c) {
      c = &dir_.Add(hi);
      c->kind = kArray;
    }
    count_ -= c->n;
    // A bitmap as soon as the array could outgrow kArrayMax with these ids
    // (duplicates may leave it smaller: a bitmap of that size is allowed).
    if (c->n + static_cast<unsigned>(j - i) > kArrayMax || c->kind == kBitmap) {
      if (c->kind == kArray) ToBitmap(*c);
      uint64_t* words = Words(*c);
      const int* run = ids + i;
      if (omi_MarkLows(words, static_cast<unsigned>(j - i), [run](unsigned k) { return Map(run[k]) & 0xFFFFu; })) {
        i = j;
      } else {
        // Bits gather in a register while the ids stay in one word.
        unsigned word = (Map(ids[i]) & 0xFFFFu) >> 6;
        uint64_t bits = 0;
        for (; i < j; ++i) {
          const unsigned low = Map(ids[i]) & 0xFFFFu;
          if (low >> 6 != word) {
            words[word] |= bits;
            word = low >> 6;
            bits = 0;
          }
          bits |= uint64_t{1} << (low & 63);
        }
        words[word] |= bits;
      }
      c->n = omi_CountBits(words);
    } else {
      lows.clear();
      for (; i < j; ++i) {
        const uint16_t low = static_cast<uint16_t>(Map(ids[i]));
        if (lows.empty() || lows.back() != low) lows.push_back(low);
      }
      const unsigned m = static_cast<unsigned>(lows.size());
      const Container run{static_cast<uint16_t>(hi), kArray, m, m, lows.data()};
      Unite(*c, run);
    }
    count_ += c->n;
  }
}

// The copy is allocated before the container is added, so that a failed
// allocation leaves the vector as it was rather than with an empty
// container.
omi_BlkBitVect::Container& omi_BlkBitVect::AddCopy(const Container& o) {
  const size_t bytes = Bytes(o);
  std::unique_ptr<void, void (*)(void*)> data(mem_Malloc(bytes), mem_Free);
  std::memcpy(data.get(), o.data, bytes);
  Container& c = dir_.Add(o.hi);
  c = o;
  c.data = data.release();
  count_ += o.n;
  return c;
}

void omi_BlkBitVect::UniteShifted(const omi_BlkBitVect& from, int first, int last, long long delta) {
  if (&from == this) {
    const omi_BlkBitVect copy(from);
    UniteShifted(copy, first, last, delta);
    return;
  }
  const Container* o = first <= last ? from.dir_.Lookup(Map(first) >> 16) : nullptr;
  if (!o) return;
  if (o->kind == kArray) {
    // At most kArrayMax members: they go in as ids.
    int ids[kArrayMax];
    int n = 0;
    from.ForEachIn(first, last, [&](int id) { ids[n++] = static_cast<int>(id + delta); });
    if (n) InsertAscending(ids, n);
    return;
  }
  // The container's low 0 lands on bit `shift` of the container `target`
  // (in the mapped order), so its members fill the end of that container
  // and the start of the next: a window of two containers, filled a word
  // at a time.
  const long long start = static_cast<long long>(Map(first) & 0xFFFF0000u) + delta;
  const long long target = start >> 16;
  const unsigned shift = static_cast<unsigned>(start & 0xFFFF), lo = Map(first) & 0xFFFFu, top = Map(last) & 0xFFFFu;
  const unsigned skip = shift >> 6, bit = shift & 63;
  uint64_t window[2 * kWords] = {};
  const uint64_t* words = Words(*o);
  for (unsigned w = lo >> 6; w <= top >> 6; ++w) {
    const uint64_t word = WordIn(words, w, lo, top);
    window[w + skip] |= word << bit;
    if (bit) window[w + skip + 1] |= word >> (64 - bit);
  }
  for (unsigned half = 0; half < 2; ++half) {
    const long long hi = target + half;
    uint64_t* part = window + half * kWords;
    const unsigned n = hi < 0 || hi > 0xFFFF ? 0 : omi_CountBits(part);
    if (!n) continue;  // also the side of the window outside the id range, which no member reaches
    const Container shifted{static_cast<uint16_t>(hi), kBitmap, n, 0, part};
    Container* c = dir_.Lookup(static_cast<unsigned>(hi));
    if (!c) {
      c = &AddCopy(shifted);
    } else {
      count_ -= c->n;
      Unite(*c, shifted);
      count_ += c->n;
    }
    if (c->kind == kBitmap && c->n < kBitmapMin) ToArrayForm(*c);
  }
}

// ---------------------------------------------------------------------------
// Set algebra, container by container. `c` and `o` have the same high bits;
// each leaves c->n right and c possibly empty (the caller drops it).

void omi_BlkBitVect::Unite(Container& c, const Container& o) {
  if (c.kind == kBitmap) {
    uint64_t* words = Words(c);
    if (o.kind == kBitmap) {
      c.n = omi_OrWords(words, Words(o));
      return;
    }
    const uint16_t* lows = Lows(o);
    if (omi_MarkLows(words, o.n, [lows](unsigned k) { return unsigned{lows[k]}; })) {
      c.n = omi_CountBits(words);
      return;
    }
    for (unsigned i = 0; i < o.n; ++i) {
      uint64_t& w = words[lows[i] >> 6];
      const uint64_t bit = uint64_t{1} << (lows[i] & 63);
      c.n += !(w & bit);
      w |= bit;
    }
    return;
  }
  if (o.kind == kBitmap) {
    // Start from a copy of the other's bitmap and add this array to it.
    uint64_t* words = static_cast<uint64_t*>(mem_Malloc(kWords * sizeof(uint64_t)));
    std::memcpy(words, Words(o), kWords * sizeof(uint64_t));
    unsigned n = o.n;
    const uint16_t* lows = Lows(c);
    for (unsigned i = 0; i < c.n; ++i) {
      uint64_t& w = words[lows[i] >> 6];
      const uint64_t bit = uint64_t{1} << (lows[i] & 63);
      n += !(w & bit);
      w |= bit;
    }
    mem_Free(c.data);
    c.data = words;
    c.kind = kBitmap;
    c.cap = 0;
    c.n = n;
    return;
  }
  const unsigned total = c.n + o.n;
  if (total > kArrayMax) {
    ToBitmap(c);
    Unite(c, o);
    return;
  }
  // Merge two arrays into a fresh one sized for both.
  uint16_t* out = static_cast<uint16_t*>(mem_Malloc(total * sizeof(uint16_t)));
  const uint16_t* a = Lows(c);
  const uint16_t* b = Lows(o);
  unsigned i = 0, j = 0, k = 0;
  while (i < c.n && j < o.n) {
    const uint16_t x = a[i], y = b[j];
    out[k++] = x < y ? x : y;
    i += x <= y;
    j += y <= x;
  }
  while (i < c.n) out[k++] = a[i++];
  while (j < o.n) out[k++] = b[j++];
  mem_Free(c.data);
  c.data = out;
  c.cap = total;
  c.n = k;
}

void omi_BlkBitVect::Intersect(Container& c, const Container& o) {
  if (c.kind == kBitmap) {
    if (o.kind == kBitmap) {
      c.n = omi_AndWords(Words(c), Words(o));
      if (c.n && c.n < kBitmapMin) ToArrayForm(c);
      return;
    }
    // The result is the other's array filtered by this bitmap.
    uint16_t* out = static_cast<uint16_t*>(mem_Malloc(std::max(o.n, 1u) * sizeof(uint16_t)));
    const uint64_t* words = Words(c);
    const uint16_t* lows = Lows(o);
    unsigned n = 0;
    for (unsigned i = 0; i < o.n; ++i) {
      out[n] = lows[i];
      n += words[lows[i] >> 6] >> (lows[i] & 63) & 1;
    }
    mem_Free(c.data);
    c.data = out;
    c.kind = kArray;
    c.cap = std::max(o.n, 1u);
    c.n = n;
    return;
  }
  uint16_t* a = Lows(c);
  unsigned n = 0;
  if (o.kind == kBitmap) {
    const uint64_t* words = Words(o);
    for (unsigned i = 0; i < c.n; ++i) {
      a[n] = a[i];
      n += words[a[i] >> 6] >> (a[i] & 63) & 1;
    }
  } else if (o.n > 32 * c.n) {
    // Far shorter than the other: search each member there.
    const uint16_t* b = Lows(o);
    unsigned from = 0;
    for (unsigned i = 0; i < c.n; ++i) {
      from += LowerBound(b + from, o.n - from, a[i]);
      if (from == o.n) break;
      if (b[from] == a[i]) a[n++] = a[i];
    }
  } else {
    uint16_t out[kArrayMax + 8];
    n = omi_IntersectLows(a, c.n, Lows(o), o.n, out);
    std::memcpy(a, out, n * sizeof(uint16_t));
  }
  c.n = n;
}

void omi_BlkBitVect::Subtract(Container& c, const Container& o) {
  if (c.kind == kBitmap) {
    uint64_t* words = Words(c);
    if (o.kind == kBitmap) {
      c.n = omi_AndNotWords(words, Words(o));
    } else {
      const uint16_t* lows = Lows(o);
      for (unsigned i = 0; i < o.n; ++i) {
        uint64_t& w = words[lows[i] >> 6];
        const uint64_t bit = uint64_t{1} << (lows[i] & 63);
        c.n -= (w & bit) != 0;
        w &= ~bit;
      }
    }
    if (c.n && c.n < kBitmapMin) ToArrayForm(c);
    return;
  }
  uint16_t* a = Lows(c);
  unsigned n = 0;
  if (o.kind == kBitmap) {
    const uint64_t* words = Words(o);
    for (unsigned i = 0; i < c.n; ++i) {
      a[n] = a[i];
      n += !(words[a[i] >> 6] >> (a[i] & 63) & 1);
    }
  } else {
    const uint16_t* b = Lows(o);
    unsigned j = 0;
    for (unsigned i = 0; i < c.n; ++i) {
      while (j < o.n && b[j] < a[i]) ++j;
      a[n] = a[i];
      n += j == o.n || b[j] != a[i];
    }
  }
  c.n = n;
}

bool omi_BlkBitVect::SameMembers(const Container& c, const Container& o) {
  if (c.n != o.n) return false;
  if (c.kind == o.kind) return std::memcmp(c.data, o.data, c.kind == kBitmap ? Bytes(c) : c.n * sizeof(uint16_t)) == 0;
  const Container& array = c.kind == kArray ? c : o;
  const uint64_t* words = Words(c.kind == kArray ? o : c);
  const uint16_t* lows = Lows(array);
  for (unsigned i = 0; i < array.n; ++i)
    if (!(words[lows[i] >> 6] >> (lows[i] & 63) & 1)) return false;
  return true;
}

omi_BlkBitVect& omi_BlkBitVect::operator+=(const omi_BlkBitVect& other) {
  if (&other == this) return *this;
  const Container* oc = other.dir_.Data();
  for (unsigned i = 0; i < other.dir_.Count(); ++i) {
    Container* c = dir_.Lookup(oc[i].hi);
    if (!c) {
      AddCopy(oc[i]);
      continue;
    }
    count_ -= c->n;
    Unite(*c, oc[i]);
    count_ += c->n;
  }
  return *this;
}

omi_BlkBitVect& omi_BlkBitVect::operator&=(const omi_BlkBitVect& other) {
  if (&other == this) return *this;
  // Descending positions: dropping a container moves the last one, already
  // visited, into its place.
  for (unsigned i = dir_.Count(); i-- > 0;) {
    Container& c = dir_.Data()[i];
    const Container* o = other.dir_.Lookup(c.hi);
    count_ -= c.n;
    if (o) {
      Intersect(c, *o);
      count_ += c.n;
    }
    if (!o || !c.n) EraseAt(i);
  }
  return *this;
}

omi_BlkBitVect& omi_BlkBitVect::operator-=(const omi_BlkBitVect& other) {
  if (&other == this) {
    Clear();
    return *this;
  }
  for (unsigned i = dir_.Count(); i-- > 0;) {
    Container& c = dir_.Data()[i];
    const Container* o = other.dir_.Lookup(c.hi);
    if (!o) continue;
    count_ -= c.n;
    Subtract(c, *o);
    count_ += c.n;
    if (!c.n) EraseAt(i);
  }
  return *this;
}

bool omi_BlkBitVect::operator==(const omi_BlkBitVect& other) const {
  if (count_ != other.count_ || dir_.Count() != other.dir_.Count()) return false;
  const Container* c = dir_.Data();
  for (unsigned i = 0; i < dir_.Count(); ++i) {
    const Container* o = other.dir_.Lookup(c[i].hi);
    if (!o || !SameMembers(c[i], *o)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Ends and walks

omi_BlkBitVect::Bounds omi_BlkBitVect::LowBounds(const Container& c) {
  if (c.kind == kArray) return {Lows(c)[0], Lows(c)[c.n - 1]};
  const uint64_t* words = Words(c);
  unsigned first = 0, last = kWords - 1;
  while (!words[first]) ++first;
  while (!words[last]) --last;
  return {first * 64 + static_cast<unsigned>(__builtin_ctzll(words[first])),
          last * 64 + 63 - static_cast<unsigned>(__builtin_clzll(words[last]))};
}

int omi_BlkBitVect::Smallest() const {
  const Container* c = dir_.First();
  if (!c) return INT_MAX;
  return static_cast<int>(((static_cast<unsigned>(c->hi) << 16) | LowBounds(*c).first) ^ 0x80000000u);
}

int omi_BlkBitVect::Largest() const {
  const Container* c = dir_.Last();
  if (!c) return INT_MIN;
  return static_cast<int>(((static_cast<unsigned>(c->hi) << 16) | LowBounds(*c).last) ^ 0x80000000u);
}

void omi_BlkBitVect::ToArray(int* out) const {
  for (unsigned r = dir_.FirstRank(), end = dir_.EndRank(); r < end; ++r) {
    const Container* c = dir_.AtRank(r);
    if (!c) continue;
    const int first = static_cast<int>((static_cast<unsigned>(c->hi) << 16) ^ 0x80000000u);
    if (c->kind == kBitmap) {
      out = omi_BitmapIds(Words(*c), kWords, first, out);
    } else {
      const uint16_t* lows = Lows(*c);
      for (unsigned i = 0; i < c->n; ++i) out[i] = first | lows[i];
      out += c->n;
    }
  }
}

void omi_BlkBitVectTrav::First() { SeekFrom(v_->dir_.FirstRank()); }

// The first member of the first container at or after `rank`.
void omi_BlkBitVectTrav::SeekFrom(unsigned rank) {
  c_ = nullptr;
  for (unsigned end = v_->dir_.EndRank(); rank < end; ++rank) {
    const omi_BlkBitVect::Container* c = v_->dir_.AtRank(rank);
    if (!c) continue;
    rank_ = rank;
    c_ = c;
    at_ = 0;
    if (c->kind == omi_BlkBitVect::kBitmap) {
      const uint64_t* words = omi_BlkBitVect::Words(*c);
      unsigned w = 0;
      while (!words[w]) ++w;
      at_ = w * 64 + static_cast<unsigned>(__builtin_ctzll(words[w]));
    }
    return;
  }
}

void omi_BlkBitVectTrav::Next() {
  if (!c_) return;
  if (c_->kind == omi_BlkBitVect::kBitmap) {
    const uint64_t* words = omi_BlkBitVect::Words(*c_);
    const unsigned from = at_ + 1;
    unsigned w = from >> 6;
    if (w < omi_BlkBitVect::kWords) {
      uint64_t word = words[w] & (~uint64_t{0} << (from & 63));
      while (!word && ++w < omi_BlkBitVect::kWords) word = words[w];
      if (word) {
        at_ = w * 64 + static_cast<unsigned>(__builtin_ctzll(word));
        return;
      }
    }
  } else if (at_ + 1 < c_->n) {
    ++at_;
    return;
  }
  SeekFrom(rank_ + 1);
}
