// inpM_OmiSet: the set of ids beneath every level of a sorted set and beneath
// element-face surfaces.
//
// Contract:
// - A set of one id holds it inline (the single value) and allocates nothing.
// - The bit vector (an omi_Set) is created at the second insertion, by
//   SwitchToOmiSet, or by a union with a non-empty set, and is kept through
//   Clear and removals; only assignment from a set without one or destruction
//   gives it back.
// - 2147483647 is the empty marker of the single value; ids are below it.
// - Iteration (inpM_OmiSetIT) is ascending however the ids are held.
#ifndef INPM_OMISET_H
#define INPM_OMISET_H

#include "cow.h"
#include "kvl_api.h"
#include "omni.h"

#include <utility>
#include <vector>

class KVL_API inpM_OmiSet {
 public:
  static constexpr int kEmptyMarker = 2147483647;

  inpM_OmiSet() = default;
  inpM_OmiSet(const inpM_OmiSet& other);
  inpM_OmiSet(inpM_OmiSet&& other) noexcept;
  explicit inpM_OmiSet(const cow_1DArrayList<int>& ids);
  // Takes over the ids of a bit vector (a single one is held inline).
  explicit inpM_OmiSet(omi_Set&& ids);
  ~inpM_OmiSet();

  // The per-id operations are inline: sets are filled and probed id by id.
  void Insert(int id) {
    if (bits_)
      bits_->Insert(id);
    else if (single_ == kEmptyMarker)
      single_ = id;
    else
      InsertIntoNewBitVector(id);
  }
  // As many Insert calls, for ids in any order; ascending ones go in a
  // block of the bit vector at a time.
  void Insert(const int* ids, int n);
  int Size() const { return bits_ ? bits_->Size() : single_ != kEmptyMarker; }
  bool IsEmpty() const { return Size() == 0; }
  void Remove(int id);
  void Remove(const cow_1DArrayList<int>& ids);
  void Clear();
  inpM_OmiSet& operator+=(const inpM_OmiSet& other);
  inpM_OmiSet& operator&=(const inpM_OmiSet& other);
  inpM_OmiSet& operator=(const inpM_OmiSet& other);
  inpM_OmiSet& operator=(inpM_OmiSet&& other) noexcept;
  cow_1DArrayList<int> ConstGetArrayCounterpart() const;
  void SwitchToOmiSet();
  void CheckState() const;
  bool IsMember(int id) const { return bits_ ? bits_->IsMember(id) : id == single_ && id != kEmptyMarker; }
  // The smallest id (the first that iteration visits); kEmptyMarker when the
  // set holds none.
  int SmallestId() const;
  // Read access for iteration and bulk work: the bit vector or null, and the
  // single value.
  const omi_Set* ConstGetBitVector() const { return bits_; }
  int SingleValue() const { return single_; }
  // Ascending visit of every id.
  template <class F>
  void ForEach(F&& f) const {
    if (bits_)
      bits_->ForEach(f);
    else if (single_ != kEmptyMarker)
      f(single_);
  }
  // Equal when both hold the same ids, however each holds them.
  friend bool operator==(const inpM_OmiSet& a, const inpM_OmiSet& b) {
    if (a.bits_ && b.bits_) return *a.bits_ == *b.bits_;
    if (!a.bits_ && !b.bits_) return a.single_ == b.single_;
    const inpM_OmiSet& withBits = a.bits_ ? a : b;
    const inpM_OmiSet& inlined = a.bits_ ? b : a;
    return withBits.Size() == inlined.Size() &&
           (inlined.single_ == kEmptyMarker || withBits.bits_->IsMember(inlined.single_));
  }

 private:
  // A second id for a single set: SwitchToOmiSet, then insert.
  void InsertIntoNewBitVector(int id);

  omi_Set* bits_ = nullptr;
  int single_ = kEmptyMarker;
};

// The bit vector that an inpM_OmiSetIT walks over a set without one. A base
// listed before omi_SetIT, so that it exists when omi_SetIT is built on it.
class inpM_OmiSetITBits {
 protected:
  explicit inpM_OmiSetITBits(const inpM_OmiSet& set);
  // The set's own bit vector, or this one holding its single value.
  const omi_Set& Walked(const inpM_OmiSet& set) const;

 private:
  omi_Set own_;
};

// Ascending iteration over an inpM_OmiSet. Over a set without a bit vector it
// walks a bit vector of its own holding the single value.
class KVL_API inpM_OmiSetIT : private inpM_OmiSetITBits, public omi_SetIT {
 public:
  explicit inpM_OmiSetIT(const inpM_OmiSet& set);
  ~inpM_OmiSetIT();
  inpM_OmiSetIT(const inpM_OmiSetIT&) = delete;
  inpM_OmiSetIT& operator=(const inpM_OmiSetIT&) = delete;
};

// Visits the entries of a map from instance name to inpM_OmiSet in ascending
// order of each entry's smallest id. Works on its own copy of the map.
class KVL_API inpM_MapString2BlkBitVectNSIT {
 public:
  explicit inpM_MapString2BlkBitVectNSIT(const cow_Map<cow_String, inpM_OmiSet>& map);
  void First() { i_ = 0; }
  void Next() { ++i_; }
  bool IsDone() const { return i_ >= static_cast<int>(order_.size()); }
  const cow_String& CurrentKey() const;
  const inpM_OmiSet& CurrentValue() const;

 private:
  using Entry = cow_Map<cow_String, inpM_OmiSet>::Entry;
  cow_Map<cow_String, inpM_OmiSet> map_;
  std::vector<const Entry*> order_;
  int i_ = 0;
};

#endif
