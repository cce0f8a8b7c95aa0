#include "inpM_OmiSet.h"

#include <algorithm>
#include <utility>

#include "nex.h"

inpM_OmiSet::inpM_OmiSet(const inpM_OmiSet& other)
    : bits_(other.bits_ ? new omi_Set(*other.bits_) : nullptr), single_(other.single_) {}

inpM_OmiSet::inpM_OmiSet(inpM_OmiSet&& other) noexcept
    : bits_(std::exchange(other.bits_, nullptr)), single_(std::exchange(other.single_, kEmptyMarker)) {}

inpM_OmiSet::inpM_OmiSet(const cow_1DArrayList<int>& ids) {
  if (ids.Size() == 1) {
    single_ = ids[0];
  } else if (ids.Size() > 1) {
    // Even a list of equal ids goes to the bit vector: only a set built from
    // one id, or grown to one, holds it inline.
    bits_ = new omi_Set();
    bits_->Insert(ids.begin(), ids.Size());
  }
}

inpM_OmiSet::inpM_OmiSet(omi_Set&& ids) {
  if (ids.Size() == 1)
    single_ = ids.Smallest();
  else if (ids.Size() > 1)
    bits_ = new omi_Set(std::move(ids));
}

inpM_OmiSet::~inpM_OmiSet() { delete bits_; }

void inpM_OmiSet::Insert(const int* ids, int n) {
  int done = 0;
  while (done < n && !bits_) Insert(ids[done++]);
  if (done < n) bits_->Insert(ids + done, n - done);
}

void inpM_OmiSet::InsertIntoNewBitVector(int id) {
  SwitchToOmiSet();
  bits_->Insert(id);
}

void inpM_OmiSet::Remove(int id) {
  if (bits_)
    bits_->Remove(id);
  else if (id == single_)
    single_ = kEmptyMarker;
}

void inpM_OmiSet::Remove(const cow_1DArrayList<int>& ids) {
  if (bits_) {
    for (int id : ids) bits_->Remove(id);
  } else if (single_ != kEmptyMarker && ids.IsMember(single_)) {
    single_ = kEmptyMarker;
  }
}

void inpM_OmiSet::Clear() {
  single_ = kEmptyMarker;
  if (bits_) bits_->Clear();
}

inpM_OmiSet& inpM_OmiSet::operator+=(const inpM_OmiSet& other) {
  other.CheckState();
  CheckState();
  if (!other.bits_ && other.single_ == kEmptyMarker) return *this;
  if (!bits_ && single_ == kEmptyMarker) return *this = other;
  if (!bits_) SwitchToOmiSet();
  if (other.bits_)
    *bits_ += *other.bits_;
  else
    bits_->Insert(other.single_);
  return *this;
}

inpM_OmiSet& inpM_OmiSet::operator&=(const inpM_OmiSet& other) {
  other.CheckState();
  CheckState();
  if (!other.bits_) {
    const int v = other.single_;
    if (bits_) {
      const bool member = v != kEmptyMarker && bits_->IsMember(v);
      bits_->Clear();
      if (member) bits_->Insert(v);
    } else if (single_ != v) {
      single_ = kEmptyMarker;
    }
  } else if (bits_) {
    // Intersecting a set with itself keeps it whole.
    if (bits_ != other.bits_) *bits_ &= *other.bits_;
  } else if (single_ != kEmptyMarker && !other.bits_->IsMember(single_)) {
    single_ = kEmptyMarker;
  }
  return *this;
}

inpM_OmiSet& inpM_OmiSet::operator=(const inpM_OmiSet& other) {
  if (this == &other) return *this;
  omi_Set* copy = other.bits_ ? new omi_Set(*other.bits_) : nullptr;
  delete bits_;
  bits_ = copy;
  single_ = other.single_;
  return *this;
}

inpM_OmiSet& inpM_OmiSet::operator=(inpM_OmiSet&& other) noexcept {
  if (this == &other) return *this;
  delete bits_;
  bits_ = std::exchange(other.bits_, nullptr);
  single_ = std::exchange(other.single_, kEmptyMarker);
  return *this;
}

cow_1DArrayList<int> inpM_OmiSet::ConstGetArrayCounterpart() const {
  if (bits_) {
    std::vector<int> ids(static_cast<size_t>(bits_->Size()));
    bits_->ToArray(ids.data());
    return cow_1DArrayList<int>(std::move(ids));
  }
  if (single_ == kEmptyMarker) return {};
  return {single_};
}

void inpM_OmiSet::SwitchToOmiSet() {
  CheckState();
  if (!bits_) bits_ = new omi_Set();
  if (single_ != kEmptyMarker) {
    bits_->Insert(single_);
    single_ = kEmptyMarker;
  }
}

void inpM_OmiSet::CheckState() const {
  if (bits_ && single_ != kEmptyMarker)
    nex_TextException("Invalid state for inpM_OmiSet::SwitchToOmiSet()\n").Throw("inp/map/impl/inpM_OmiSet", 67);
}

int inpM_OmiSet::SmallestId() const {
  if (bits_) return bits_->IsEmpty() ? kEmptyMarker : bits_->Smallest();
  return single_;
}

// ---------------------------------------------------------------------------

inpM_OmiSetITBits::inpM_OmiSetITBits(const inpM_OmiSet& set) {
  if (!set.ConstGetBitVector() && set.SingleValue() != inpM_OmiSet::kEmptyMarker) own_.Insert(set.SingleValue());
}

const omi_Set& inpM_OmiSetITBits::Walked(const inpM_OmiSet& set) const {
  return set.ConstGetBitVector() ? *set.ConstGetBitVector() : own_;
}

inpM_OmiSetIT::inpM_OmiSetIT(const inpM_OmiSet& set) : inpM_OmiSetITBits(set), omi_SetIT(Walked(set)) {}

inpM_OmiSetIT::~inpM_OmiSetIT() = default;

// ---------------------------------------------------------------------------

inpM_MapString2BlkBitVectNSIT::inpM_MapString2BlkBitVectNSIT(const cow_Map<cow_String, inpM_OmiSet>& map) : map_(map) {
  // An empty set has no smallest id; SmallestId gives it the empty marker,
  // above every id, so empty entries come last. The stable sort keeps the
  // map's ascending name order among entries with equal smallest ids.
  std::vector<std::pair<int, const Entry*>> keyed;
  keyed.reserve(static_cast<size_t>(map_.Size()));
  for (const Entry& entry : map_) keyed.emplace_back(entry.second.SmallestId(), &entry);
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  order_.reserve(keyed.size());
  for (const auto& k : keyed) order_.push_back(k.second);
}

const cow_String& inpM_MapString2BlkBitVectNSIT::CurrentKey() const { return order_[static_cast<size_t>(i_)]->first; }

const inpM_OmiSet& inpM_MapString2BlkBitVectNSIT::CurrentValue() const {
  return order_[static_cast<size_t>(i_)]->second;
}
