#include "inpM_Set.h"

#include "inpM_SetShared.h"

namespace inpM_SetShared {

int& ReadDepth() {
  thread_local int depth = 0;
  return depth;
}

void AppendIds(std::vector<int>& out, const inpM_OmiSet& ids) {
  if (const omi_Set* bits = ids.ConstGetBitVector()) {
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(bits->Size()));
    bits->ToArray(out.data() + at);
  } else if (ids.SingleValue() != inpM_OmiSet::kEmptyMarker) {
    out.push_back(ids.SingleValue());
  }
}

void AppendIds(std::vector<int>& out, const cow_1DArrayList<int>& ids) {
  out.insert(out.end(), ids.begin(), ids.end());
}

bool Holds(const inpM_SortedSet& set, int id) {
  if (set.ConstGetTopLevelSet().IsMember(id)) return true;
  for (const auto& [name, entry] : set.ConstGetSecondLevelEntries())
    if (entry.IsMember(id)) return true;
  for (const auto& [name, subset] : set.ConstGetInstanceSubsets())
    if (Holds(*subset, id)) return true;
  return false;
}

bool Holds(const inpM_BaseSet& set, int id) {
  switch (set.GetSetKind()) {
    case inpM_IntegerSetKind:
      return static_cast<const inpM_IntegerSet&>(set).ConstGetList().IsMember(id);
    case inpM_SetNamePairKind: {
      const inpM_SetHandle& inner = static_cast<const inpM_SetNamePair&>(set).ConstGetSet();
      return inner.HasValue() && Holds(*inner, id);
    }
    case inpM_UnsortedSetKind:
      for (const inpM_SetHandle& c : static_cast<const inpM_UnsortedSet&>(set).ConstGetComponents())
        if (Holds(*c, id)) return true;
      return false;
    case inpM_SortedSetKind:
      return Holds(static_cast<const inpM_SortedSet&>(set), id);
    default:
      return false;
  }
}

}  // namespace inpM_SetShared

// ---------------------------------------------------------------------------
// inpM_BaseSet

inpM_BaseSet::~inpM_BaseSet() = default;

int inpM_BaseSet::GetSetKind() const { return inpM_BaseSetKind; }

// ---------------------------------------------------------------------------
// Factories

inpM_SetHandle CreateSet(bool internal, bool unsorted) {
  return CreateSet(internal ? inpM_InternalSet : inpM_InputSet, unsorted);
}

inpM_SetHandle CreateSet(inpM_SetTypeFlag flag, bool unsorted) {
  inpM_BaseSet* set = unsorted ? static_cast<inpM_BaseSet*>(new inpM_UnsortedSet()) : new inpM_SortedSet();
  set->SetTypeFlag(flag);
  return inpM_SetHandle(set);
}

inpM_SetHandle CreateSet(aio_istream& in, bool unsorted) {
  if (unsorted) return inpM_SetHandle(new inpM_UnsortedSet(in));
  return inpM_SetHandle(new inpM_SortedSet(in));
}

inpM_SetHandle CreateSet(const cow_1DArrayList<int>& ids, bool internal, bool unsorted) {
  return CreateSet(ids, internal ? inpM_InternalSet : inpM_InputSet, unsorted);
}

inpM_SetHandle CreateSet(const cow_1DArrayList<int>& ids, inpM_SetTypeFlag flag, bool unsorted) {
  inpM_BaseSet* set = unsorted ? static_cast<inpM_BaseSet*>(new inpM_UnsortedSet(ids)) : new inpM_SortedSet(ids);
  set->SetTypeFlag(flag);
  return inpM_SetHandle(set);
}

inpM_SetHandle CreateSet(const inpM_BaseSet& set) {
  const int kind = set.GetSetKind();
  if (kind == inpM_UnsortedSetKind || kind == inpM_SortedSetKind) return inpM_SetHandle(set);
  return inpM_SetHandle();
}
