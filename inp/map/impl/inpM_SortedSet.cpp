#include <algorithm>

#include "inpM_IdMap.h"
#include "inpM_Set.h"
#include "inpM_SetShared.h"
#include "inpM_Translate.h"
#include "inpM_Utils.h"

namespace {

using inpM_SetShared::AppendIds;
using inpM_SetShared::Check;
using inpM_SetShared::DiscardLine;
using inpM_SetShared::Holds;
using inpM_SetShared::ReadCount;
using inpM_SetShared::ReadDepthGuard;
using inpM_SetShared::ReadIds;
using inpM_SetShared::ReadName;

// An id block: the count, and when it is above 0 the ids in ascending order.
void PrintIdBlock(aio_ostream& out, const inpM_OmiSet& ids) {
  const int n = ids.Size();
  out.print_int(n).put('\n');
  if (n == 0) return;
  aio_int_writer line(out, ' ', ' ');
  ids.ForEach([&line](int id) { line.Add(id); });
  line.Flush();
  out.put('\n');
}

// The ids of `ids` that are not local ids of the id map's own level.
cow_1DArrayList<int> Undefined(const inpM_OmiSet& ids, const inpM_IdMap& idMap) {
  const omi_IntTable<int>& table = idMap.ConstGetIds();
  std::vector<int> undefined;
  ids.ForEach([&](int id) {
    if (!table.Find(id)) undefined.push_back(id);
  });
  return cow_1DArrayList<int>(std::move(undefined));
}

// The ids translated as idMap.Renumber translates them as one list (a 0
// without a pair stays 0). When an id has no pair, the list goes to
// idMap.Renumber, which reports the undefined ids, and its answer stands.
// The set is only replaced once the translation succeeded.
inpM_OmiSet Renumbered(const inpM_OmiSet& ids, const inpM_IdMap& idMap, bool inverse) {
  if (inverse) return inpM_OmiSet(idMap.Renumber(ids.ConstGetArrayCounterpart(), true));
  bool undefined = false;
  inpM_OmiSet renumbered = inpM_TranslatedIds(ids, idMap.ConstGetIds(), true, undefined);
  if (undefined) return inpM_OmiSet(idMap.Renumber(ids.ConstGetArrayCounterpart(), false));
  return renumbered;
}

const char kSortedFailed[] = "inpM_SortedSet reading failed.";

}  // namespace

// ---------------------------------------------------------------------------
// inpM_SortedSet

inpM_SortedSet::inpM_SortedSet() = default;
inpM_SortedSet::inpM_SortedSet(const inpM_SortedSet& other) = default;
inpM_SortedSet::inpM_SortedSet(inpM_SortedSet&& other) noexcept = default;
inpM_SortedSet& inpM_SortedSet::operator=(const inpM_SortedSet& other) = default;
inpM_SortedSet& inpM_SortedSet::operator=(inpM_SortedSet&& other) noexcept = default;
inpM_SortedSet::~inpM_SortedSet() = default;

inpM_SortedSet::inpM_SortedSet(const cow_1DArrayList<int>& ids) : topLevel_(ids) {}

inpM_SortedSet::inpM_SortedSet(const inpM_OmiSet& ids) : topLevel_(ids) {}

inpM_SortedSet::inpM_SortedSet(const inpM_UnsortedSet& set) {
  for (const inpM_SetHandle& component : set.ConstGetComponents()) Add(component->GetSortedSetEquivalent());
}

inpM_SortedSet::inpM_SortedSet(aio_istream& in) { Read(in); }

void inpM_SortedSet::Read(aio_istream& in) {
  const ReadDepthGuard depth(kSortedFailed);
  SetTypeFlag(static_cast<inpM_SetTypeFlag>(in.scan_int()));
  const int top = ReadCount(in, kSortedFailed);
  topLevel_ = inpM_OmiSet(cow_1DArrayList<int>(ReadIds(in, top, kSortedFailed)));

  const int entries = ReadCount(in, kSortedFailed);
  DiscardLine(in);
  for (int i = 0; i < entries; ++i) {
    Check(in, kSortedFailed);
    const cow_String name = ReadName(in, kSortedFailed);
    const int n = ReadCount(in, kSortedFailed);
    inpM_OmiSet ids(cow_1DArrayList<int>(ReadIds(in, n, kSortedFailed)));
    DiscardLine(in);
    entries_.Insert(name, std::move(ids));
  }

  const int subsets = ReadCount(in, kSortedFailed);
  DiscardLine(in);
  for (int i = 0; i < subsets; ++i) {
    Check(in, kSortedFailed);
    const cow_String name = ReadName(in, kSortedFailed);
    subsets_.Insert(name, inpM_SortedSetHandle(new inpM_SortedSet(in)));
  }
  Check(in, kSortedFailed);
}

void inpM_SortedSet::Print(aio_ostream& out) const {
  out.print_int(GetTypeFlag()).put('\n');
  PrintIdBlock(out, topLevel_);
  out.print_int(entries_.Size()).put('\n');
  for (inpM_MapString2BlkBitVectNSIT it(entries_); !it.IsDone(); it.Next()) {
    out << inpM_Utils::RemoveQuotes(it.CurrentKey());
    out.put('\n');
    PrintIdBlock(out, it.CurrentValue());
  }
  out.print_int(subsets_.Size()).put('\n');
  for (const auto& [name, subset] : subsets_) {
    out << inpM_Utils::RemoveQuotes(name);
    out.put('\n');
    subset->Print(out);
  }
}

inpM_SortedSet* inpM_SortedSet::Copy() const { return new inpM_SortedSet(*this); }

void inpM_SortedSet::Add(const cow_String& instance, int id) { entries_.GetOrInsert(instance).Insert(id); }

void inpM_SortedSet::Add(int id) { topLevel_.Insert(id); }

// A union with the list's own set ends in the same state as inserting the ids
// one by one, and works on whole bit vectors.
void inpM_SortedSet::Add(const cow_String& instance, const cow_1DArrayList<int>& ids) {
  entries_.GetOrInsert(instance) += inpM_OmiSet(ids);
}

void inpM_SortedSet::Add(const cow_1DArrayList<int>& ids) { topLevel_ += inpM_OmiSet(ids); }

void inpM_SortedSet::Add(const cow_String& instance, const inpM_BaseSet& set) {
  switch (set.GetSetKind()) {
    case inpM_SortedSetKind:
      Add(instance, static_cast<const inpM_SortedSet&>(set));
      break;
    case inpM_UnsortedSetKind:
      Add(instance, inpM_SortedSet(static_cast<const inpM_UnsortedSet&>(set)));
      break;
    default:
      break;
  }
}

void inpM_SortedSet::Add(const inpM_BaseSet& set) {
  switch (set.GetSetKind()) {
    case inpM_SortedSetKind:
      Add(static_cast<const inpM_SortedSet&>(set));
      break;
    case inpM_UnsortedSetKind:
      Add(inpM_SortedSet(static_cast<const inpM_UnsortedSet&>(set)));
      break;
    default:
      break;
  }
}

void inpM_SortedSet::Add(const inpM_SortedSet& other) {
  // Every level of a set united with itself stays as it is.
  if (&other == this) return;
  topLevel_ += other.topLevel_;
  if (entries_.IsEmpty()) {
    entries_ = other.entries_;
  } else {
    for (const auto& [name, ids] : other.entries_) {
      if (inpM_OmiSet* mine = entries_.Find(name))
        *mine += ids;
      else
        entries_.Insert(name, ids);
    }
  }
  if (subsets_.IsEmpty()) {
    subsets_ = other.subsets_;
  } else {
    for (const auto& [name, subset] : other.subsets_) {
      if (inpM_SortedSetHandle* mine = subsets_.Find(name))
        mine->Get().Add(*subset);
      else
        subsets_.Insert(name, subset);
    }
  }
}

void inpM_SortedSet::Add(const cow_String& instance, const inpM_SortedSet& other) {
  if (inpM_SortedSetHandle* mine = subsets_.Find(instance))
    mine->Get().Add(other);
  else
    subsets_.Insert(instance, inpM_SortedSetHandle(other));
}

bool inpM_SortedSet::Remove(int id) {
  if (topLevel_.IsMember(id)) {
    topLevel_.Remove(id);
    return true;
  }
  for (const auto& [name, ids] : entries_) {
    if (ids.IsMember(id)) {
      entries_.Get(name).Remove(id);
      return true;
    }
  }
  for (const auto& [name, subset] : subsets_) {
    if (Holds(*subset, id)) return subsets_.Get(name).Get().Remove(id);
  }
  return false;
}

void inpM_SortedSet::Renumber(const inpM_IdMap& idMap, bool inverse) {
  topLevel_ = Renumbered(topLevel_, idMap, inverse);
  for (const cow_String& name : entries_.Keys()) {
    if (!idMap.HasInstance(name)) continue;
    inpM_OmiSet ids = Renumbered(entries_.ConstGet(name), idMap.ConstGet(name), inverse);
    entries_.Get(name) = std::move(ids);
  }
  for (const cow_String& name : subsets_.Keys()) {
    if (idMap.HasInstance(name)) subsets_.Get(name).Get().Renumber(idMap.ConstGet(name), inverse);
  }
}

bool inpM_SortedSet::IsUnsorted() const { return false; }

cow_1DArrayList<int> inpM_SortedSet::ConstGetIds() const {
  std::vector<int> ids;
  ids.reserve(static_cast<size_t>(topLevel_.Size()));
  AppendIds(ids, topLevel_);
  for (inpM_MapString2BlkBitVectNSIT it(entries_); !it.IsDone(); it.Next()) AppendIds(ids, it.CurrentValue());
  for (inpM_MapString2SortedSetNSIT it(subsets_); !it.IsDone(); it.Next())
    AppendIds(ids, it.CurrentValue()->ConstGetIds());
  return cow_1DArrayList<int>(std::move(ids));
}

cow_1DArrayList<int> inpM_SortedSet::ConstGetTopLevelIds() const { return topLevel_.ConstGetArrayCounterpart(); }

cow_1DArrayList<int> inpM_SortedSet::ConstGetSecondLevelIds(const cow_String& instance) const {
  const inpM_OmiSet* ids = entries_.ConstFind(instance);
  return ids ? ids->ConstGetArrayCounterpart() : cow_1DArrayList<int>();
}

inpM_InstanceIdsMap inpM_SortedSet::ConstGetInstanceIdsMap() const {
  inpM_InstanceIdsMap map;
  for (const auto& [name, ids] : entries_) map.Insert(name, ids.ConstGetArrayCounterpart());
  for (const auto& [name, subset] : subsets_) map.GetOrInsert(name).Append(subset->ConstGetTopLevelIds());
  return map;
}

void inpM_SortedSet::Cleanup(const inpM_IdMap& idMap) {
  const cow_1DArrayList<int> undefined = Undefined(topLevel_, idMap);
  if (!undefined.IsEmpty()) topLevel_.Remove(undefined);
  for (const cow_String& name : entries_.Keys()) {
    if (!idMap.HasInstance(name)) continue;
    const cow_1DArrayList<int> gone = Undefined(entries_.ConstGet(name), idMap.ConstGet(name));
    if (!gone.IsEmpty()) entries_.Get(name).Remove(gone);
  }
  for (const cow_String& name : subsets_.Keys()) subsets_.Get(name).Get().Cleanup(idMap.ConstGet(name));
}

void inpM_SortedSet::ChangeInstanceName(const cow_String& oldName, const cow_String& newName) {
  if (oldName == newName) return;
  if (const inpM_SortedSetHandle* subset = subsets_.ConstFind(oldName)) {
    const inpM_SortedSetHandle moved = *subset;
    subsets_.Remove(oldName);
    subsets_.Insert(newName, moved);
  }
  if (entries_.IsMember(oldName)) {
    inpM_OmiSet moved = std::move(entries_.Get(oldName));
    entries_.Remove(oldName);
    entries_.Insert(newName, std::move(moved));
  }
}

bool inpM_SortedSet::IsEmpty() const { return topLevel_.IsEmpty() && entries_.IsEmpty() && subsets_.IsEmpty(); }

int inpM_SortedSet::GetSetKind() const { return inpM_SortedSetKind; }

cow_List<cow_String> inpM_SortedSet::GatherRootLevelInstanceNames() const {
  cow_List<cow_String> names = entries_.Keys();
  names.Append(subsets_.Keys());
  return names;
}

inpM_SortedSet inpM_SortedSet::GetSortedSetEquivalent() const { return *this; }

int inpM_SortedSet::SmallestId() const {
  int smallest = topLevel_.SmallestId();
  for (const auto& [name, ids] : entries_) smallest = std::min(smallest, ids.SmallestId());
  for (const auto& [name, subset] : subsets_) smallest = std::min(smallest, subset->SmallestId());
  return smallest;
}

// ---------------------------------------------------------------------------
// inpM_MapString2SortedSetNSIT

// A subset that holds no id has SmallestId kEmptyMarker and so comes after
// every subset that holds one; subsets with equal smallest ids keep the map's
// ascending name order (the sort is stable). Both match the order of
// second-level entries.
inpM_MapString2SortedSetNSIT::inpM_MapString2SortedSetNSIT(const cow_Map<cow_String, inpM_SortedSetHandle>& map)
    : map_(map) {
  std::vector<std::pair<int, const cow_Map<cow_String, inpM_SortedSetHandle>::Entry*>> keyed;
  keyed.reserve(static_cast<size_t>(map_.Size()));
  for (const auto& entry : map_) keyed.emplace_back(entry.second->SmallestId(), &entry);
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  order_.reserve(keyed.size());
  for (const auto& k : keyed) order_.push_back(k.second);
}
