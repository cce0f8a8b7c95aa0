// omi_BlockDir: the directory shared by the integer tables and the bit
// vectors. A 32-bit key is split into its high 16 bits, which choose a block,
// and its low 16 bits, which the block resolves on its own.
//
// Blocks live in one array, where adding and dropping a block is O(1)
// amortised whatever the key order (a dropped block's place goes to the
// last one). An index finds
// them by their high bits, in one of two forms:
// - direct: a table over the high-bit range [base_, base_ + nindex_) holding
//   a block's position plus one (0: no block). Used while that range stays
//   small next to the number of blocks, which is the usual case (ids come in
//   runs) and the one that makes a lookup two loads. When the blocks also
//   lie in storage in ascending order of their high bits with none missing
//   between the lowest and the highest (ranked), a block's position is its
//   high bits less the lowest, and a lookup skips the index: one load, which
//   a random lookup that goes on to a cache miss in the block's contents
//   waits for first. Blocks added in ascending order keep it; SortByRank
//   restores it after any other change;
// - sorted: the entries (hi << 16 | position) in ascending order, searched by
//   bisection. Used when a few blocks lie far apart, so that a table of two
//   distant keys does not pay for the range between them.
//
// The directory owns its two arrays but not what a block points at: the
// container that embeds it copies and frees block contents itself.
#ifndef KVL_OMI_BLOCKDIR_H
#define KVL_OMI_BLOCKDIR_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "mem_alloc.h"

// Block must be trivially copyable and carry `uint16_t hi`.
template <class Block>
class omi_BlockDir {
  static_assert(std::is_trivially_copyable_v<Block>);

 public:
  omi_BlockDir() = default;
  omi_BlockDir(const omi_BlockDir& other) { CopyFrom(other); }
  omi_BlockDir(omi_BlockDir&& other) noexcept { Steal(other); }
  omi_BlockDir& operator=(const omi_BlockDir& other) {
    if (this != &other) {
      Release();
      CopyFrom(other);
    }
    return *this;
  }
  omi_BlockDir& operator=(omi_BlockDir&& other) noexcept {
    if (this != &other) {
      Release();
      Steal(other);
    }
    return *this;
  }
  ~omi_BlockDir() { Release(); }

  Block* Lookup(unsigned hi) {
    return const_cast<Block*>(std::as_const(*this).Lookup(hi));
  }
  // Where a block is found, the compiler is told that its pointer is not
  // null: the caller's own test for nullptr then costs nothing more.
  const Block* Lookup(unsigned hi) const {
    if (indexLog_ == kRanked) [[likely]] {
      const unsigned s = hi - minHi_;
      if (s >= nblocks_) return nullptr;
      const Block* b = blocks_ + s;
      if (!b) __builtin_unreachable();
      return b;
    }
    if (Direct()) {
      const unsigned s = hi - base_;
      if (s >= nindex_) return nullptr;
      const uint32_t p = index_[s];
      if (!p) return nullptr;
      const Block* b = blocks_ + (p - 1);
      if (!b) __builtin_unreachable();
      return b;
    }
    return LookupSorted(hi);
  }

  // Adds a zero-filled block for `hi`, which must not have one yet. Pointers
  // to blocks are invalidated.
  Block& Add(unsigned hi);
  // Drops the block at storage position `pos`; the last block takes its
  // place. Pointers to blocks are invalidated.
  void Erase(unsigned pos);
  // Puts the blocks in storage in ascending order of their high bits (ranked,
  // when none is missing between the lowest and the highest). Pointers to
  // blocks are invalidated.
  void SortByRank();
  // Drops every block (their contents are the caller's to free first).
  void Reset() {
    Release();
    Clean();
  }

  // Storage order: [0, Count()).
  unsigned Count() const { return nblocks_; }
  Block* Data() { return blocks_; }
  const Block* Data() const { return blocks_; }

  // Ascending order of the high bits: ranks [FirstRank(), EndRank()); in the
  // direct form a rank may be a hole (nullptr).
  unsigned FirstRank() const { return Direct() ? minHi_ - base_ : 0u; }
  unsigned EndRank() const {
    if (!nblocks_) return FirstRank();
    return Direct() ? maxHi_ - base_ + 1u : nblocks_;
  }
  Block* AtRank(unsigned r) { return const_cast<Block*>(std::as_const(*this).AtRank(r)); }
  const Block* AtRank(unsigned r) const {
    if (Direct()) {
      const uint32_t p = index_[r];
      return p ? blocks_ + (p - 1) : nullptr;
    }
    return blocks_ + (index_[r] & 0xFFFFu);
  }
  const Block* First() const { return nblocks_ ? AtRank(FirstRank()) : nullptr; }
  const Block* Last() const { return nblocks_ ? AtRank(EndRank() - 1) : nullptr; }

  size_t MemoryBytes() const {
    const size_t blocks = nblocks_ ? size_t{1} << blockLog_ : 0;
    const size_t index = Direct() ? nindex_ : size_t{1} << indexLog_;
    return blocks * sizeof(Block) + (nblocks_ ? index * sizeof(uint32_t) : 0);
  }

 private:
  // indexLog_ of the direct form, and of the direct form when ranked.
  static constexpr uint8_t kDirect = 0xFF;
  static constexpr uint8_t kRanked = 0xFE;

  // A direct table may cover this many high-bit values for n blocks: a few
  // words per block, so that memory stays proportional to the block count.
  static unsigned Budget(unsigned n) { return 8 * n + 64; }
  static uint8_t CeilLog(unsigned n) {
    uint8_t k = 0;
    while ((1u << k) < n) ++k;
    return k;
  }

  bool Direct() const { return indexLog_ >= kRanked; }
  const Block* LookupSorted(unsigned hi) const {
    unsigned lo = 0, n = nindex_;
    const uint32_t key = hi << 16;
    while (n > 0) {
      const unsigned half = n / 2;
      if (index_[lo + half] < key) {
        lo += half + 1;
        n -= half + 1;
      } else {
        n = half;
      }
    }
    if (lo < nindex_ && (index_[lo] >> 16) == hi) return blocks_ + (index_[lo] & 0xFFFFu);
    return nullptr;
  }
  // Rank of the first sorted entry whose high bits are not below `hi`.
  unsigned SortedRank(unsigned hi) const {
    unsigned lo = 0, n = nindex_;
    while (n > 0) {
      const unsigned half = n / 2;
      if ((index_[lo + half] >> 16) < hi) {
        lo += half + 1;
        n -= half + 1;
      } else {
        n = half;
      }
    }
    return lo;
  }

  void MakeDirect(unsigned lo, unsigned span);
  void MakeSorted();
  void GrowDirect(unsigned hi);

  void CopyFrom(const omi_BlockDir& other) {
    std::memcpy(static_cast<void*>(this), &other, sizeof(*this));
    if (!other.nblocks_) return;
    const size_t blocks = size_t{1} << blockLog_;
    blocks_ = static_cast<Block*>(mem_Malloc(blocks * sizeof(Block)));
    std::memcpy(static_cast<void*>(blocks_), other.blocks_, nblocks_ * sizeof(Block));
    const size_t index = Direct() ? nindex_ : size_t{1} << indexLog_;
    index_ = static_cast<uint32_t*>(mem_Malloc(index * sizeof(uint32_t)));
    std::memcpy(index_, other.index_, nindex_ * sizeof(uint32_t));
  }
  void Steal(omi_BlockDir& other) {
    std::memcpy(static_cast<void*>(this), &other, sizeof(*this));
    other.Clean();
  }
  void Release() {
    mem_Free(blocks_);
    mem_Free(index_);
  }
  void Clean() {
    blocks_ = nullptr;
    index_ = nullptr;
    nblocks_ = nindex_ = 0;
    base_ = minHi_ = maxHi_ = 0;
    blockLog_ = 0;
    indexLog_ = kDirect;
  }

  Block* blocks_ = nullptr;
  uint32_t* index_ = nullptr;
  unsigned nblocks_ = 0;
  unsigned nindex_ = 0;  // direct: slots of the table; sorted: entries
  uint16_t base_ = 0;    // direct: high bits of slot 0
  uint16_t minHi_ = 0;
  uint16_t maxHi_ = 0;
  uint8_t blockLog_ = 0;        // blocks_ holds 1 << blockLog_ blocks
  uint8_t indexLog_ = kDirect;  // sorted: index_ holds 1 << indexLog_ entries;
                                // kRanked or kDirect: direct
};

template <class Block>
Block& omi_BlockDir<Block>::Add(unsigned hi) {
  const unsigned pos = nblocks_;
  const bool ranked = pos == 0 || (indexLog_ == kRanked && hi == maxHi_ + 1u);
  if (pos == 0 || pos == 1u << blockLog_) {
    blockLog_ = CeilLog(pos + 1);
    blocks_ = static_cast<Block*>(mem_Realloc(blocks_, (size_t{1} << blockLog_) * sizeof(Block)));
  }
  Block& b = blocks_[pos];
  std::memset(static_cast<void*>(&b), 0, sizeof(Block));
  b.hi = static_cast<uint16_t>(hi);
  if (pos == 0) minHi_ = maxHi_ = static_cast<uint16_t>(hi);
  if (hi < minHi_) minHi_ = static_cast<uint16_t>(hi);
  if (hi > maxHi_) maxHi_ = static_cast<uint16_t>(hi);
  nblocks_ = pos + 1;

  const unsigned span = maxHi_ - minHi_ + 1u;
  if (Direct()) {
    if (hi - base_ >= nindex_) {
      if (span > Budget(nblocks_)) {
        MakeSorted();
        return b;
      }
      GrowDirect(hi);
    }
    index_[hi - base_] = pos + 1;
    indexLog_ = ranked ? kRanked : kDirect;
    return b;
  }
  // Sorted: insert the entry in place, then go direct if the range allows.
  const unsigned r = SortedRank(hi);
  if (nindex_ == 1u << indexLog_) {
    ++indexLog_;
    index_ = static_cast<uint32_t*>(mem_Realloc(index_, (size_t{1} << indexLog_) * sizeof(uint32_t)));
  }
  std::memmove(index_ + r + 1, index_ + r, (nindex_ - r) * sizeof(uint32_t));
  index_[r] = hi << 16 | pos;
  ++nindex_;
  if (span <= Budget(nblocks_)) MakeDirect(minHi_, span);
  return b;
}

template <class Block>
void omi_BlockDir<Block>::Erase(unsigned pos) {
  const unsigned last = nblocks_ - 1;
  if (last == 0) {
    Reset();
    return;
  }
  const unsigned hi = blocks_[pos].hi;
  const unsigned movedHi = blocks_[last].hi;
  if (indexLog_ == kRanked && pos != last) indexLog_ = kDirect;
  blocks_[pos] = blocks_[last];
  nblocks_ = last;
  if (Direct()) {
    index_[hi - base_] = 0;
    if (movedHi != hi) index_[movedHi - base_] = pos + 1;
    while (!index_[minHi_ - base_]) ++minHi_;
    while (!index_[maxHi_ - base_]) --maxHi_;
  } else {
    const unsigned r = SortedRank(hi);
    std::memmove(index_ + r, index_ + r + 1, (nindex_ - r - 1) * sizeof(uint32_t));
    --nindex_;
    if (movedHi != hi) index_[SortedRank(movedHi)] = movedHi << 16 | pos;
    minHi_ = static_cast<uint16_t>(index_[0] >> 16);
    maxHi_ = static_cast<uint16_t>(index_[nindex_ - 1] >> 16);
    if (indexLog_ > 2 && nindex_ <= 1u << (indexLog_ - 2)) {
      --indexLog_;
      index_ = static_cast<uint32_t*>(mem_Realloc(index_, (size_t{1} << indexLog_) * sizeof(uint32_t)));
    }
  }
  // Give back storage once three quarters are unused; halving (not
  // quartering) leaves room, so alternating adds and drops do not thrash.
  if (blockLog_ > 2 && nblocks_ <= 1u << (blockLog_ - 2)) {
    --blockLog_;
    blocks_ = static_cast<Block*>(mem_Realloc(blocks_, (size_t{1} << blockLog_) * sizeof(Block)));
  }
}

// Rebuilds the direct table over [lo, lo + span) from the blocks.
template <class Block>
void omi_BlockDir<Block>::MakeDirect(unsigned lo, unsigned span) {
  uint32_t* index = static_cast<uint32_t*>(mem_Malloc(span * sizeof(uint32_t)));
  std::memset(index, 0, span * sizeof(uint32_t));
  for (unsigned p = 0; p < nblocks_; ++p) index[blocks_[p].hi - lo] = p + 1;
  mem_Free(index_);
  index_ = index;
  nindex_ = span;
  base_ = static_cast<uint16_t>(lo);
  indexLog_ = kDirect;
}

template <class Block>
void omi_BlockDir<Block>::SortByRank() {
  if (!nblocks_ || indexLog_ == kRanked) return;  // in order already
  Block* sorted = static_cast<Block*>(mem_Malloc((size_t{1} << blockLog_) * sizeof(Block)));
  unsigned n = 0;
  for (unsigned r = FirstRank(), end = EndRank(); r < end; ++r) {
    const Block* b = AtRank(r);
    if (!b) continue;
    std::memcpy(static_cast<void*>(sorted + n), b, sizeof(Block));
    if (Direct()) {
      index_[r] = n + 1;
    } else {
      index_[r] = (index_[r] & 0xFFFF0000u) | n;
    }
    ++n;
  }
  mem_Free(blocks_);
  blocks_ = sorted;
  if (Direct()) indexLog_ = nblocks_ == maxHi_ - minHi_ + 1u ? kRanked : kDirect;
}

// Replaces the direct table by the sorted list; the block just added (the
// last by position) has no slot yet and is entered here.
template <class Block>
void omi_BlockDir<Block>::MakeSorted() {
  const uint8_t log = CeilLog(nblocks_);
  uint32_t* index = static_cast<uint32_t*>(mem_Malloc((size_t{1} << log) * sizeof(uint32_t)));
  const unsigned newHi = blocks_[nblocks_ - 1].hi;
  unsigned n = 0;
  bool placed = false;
  for (unsigned s = 0; s < nindex_; ++s) {
    if (!index_[s]) continue;
    const unsigned h = base_ + s;
    if (!placed && newHi < h) {
      index[n++] = newHi << 16 | (nblocks_ - 1);
      placed = true;
    }
    index[n++] = h << 16 | (index_[s] - 1);
  }
  if (!placed) index[n++] = newHi << 16 | (nblocks_ - 1);
  mem_Free(index_);
  index_ = index;
  nindex_ = n;
  base_ = 0;
  indexLog_ = log;
}

// Widens the direct table to cover `hi`, at least doubling it so that blocks
// arriving in either order cost amortised O(1) each.
template <class Block>
void omi_BlockDir<Block>::GrowDirect(unsigned hi) {
  unsigned lo = nindex_ ? base_ : hi;
  unsigned top = nindex_ ? base_ + nindex_ - 1 : hi;  // inclusive
  if (hi < lo) lo = hi;
  if (hi > top) top = hi;
  unsigned alloc = top - lo + 1;
  if (alloc < 2 * nindex_) alloc = 2 * nindex_;
  if (alloc > 65536) alloc = 65536;
  const unsigned extra = alloc - (top - lo + 1);
  if (nindex_ && hi < base_) {
    const unsigned down = extra < lo ? extra : lo;
    lo -= down;
    top += extra - down;
  } else {
    top += extra;
    if (top > 65535) {
      lo -= top - 65535;
      top = 65535;
    }
  }
  uint32_t* index = static_cast<uint32_t*>(mem_Malloc(alloc * sizeof(uint32_t)));
  std::memset(index, 0, alloc * sizeof(uint32_t));
  if (nindex_) std::memcpy(index + (base_ - lo), index_, nindex_ * sizeof(uint32_t));
  mem_Free(index_);
  index_ = index;
  nindex_ = alloc;
  base_ = static_cast<uint16_t>(lo);
}

#endif
