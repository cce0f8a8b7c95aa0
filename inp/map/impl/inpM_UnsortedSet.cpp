#include <algorithm>

#include "inpM_IdMap.h"
#include "inpM_Set.h"
#include "inpM_SetShared.h"

namespace {

using inpM_SetShared::AppendIds;
using inpM_SetShared::Check;
using inpM_SetShared::DiscardLine;
using inpM_SetShared::Holds;
using inpM_SetShared::ReadCount;
using inpM_SetShared::ReadDepthGuard;
using inpM_SetShared::ReadIds;
using inpM_SetShared::ReadName;

// An id line: every id followed by one blank, then the line feed.
template <class Range>
void PrintIdLine(aio_ostream& out, const Range& ids) {
  aio_int_writer line(out, ' ', ' ');
  for (int id : ids) line.Add(id);
  line.Flush();
  out.put('\n');
}

const char kIntegerFailed[] = "inpM_IntegerSet reading failed.";
const char kPairFailed[] = "inpM_SetNamePair reading failed.";
const char kUnsortedFailed[] = "inpM_UnsortedSet reading failed.";

}  // namespace

// ---------------------------------------------------------------------------
// inpM_IntegerSet
//
// An integer set is a component of an unsorted set and holds top-level ids
// only. The additions that name an instance or bring a whole set have no
// place in it and leave it unchanged, and so does Add of a list: an unsorted
// set appends a new component for every addition rather than growing an
// existing one, and a list given directly keeps that rule.

inpM_IntegerSet::inpM_IntegerSet() = default;
inpM_IntegerSet::inpM_IntegerSet(const cow_1DArrayList<int>& ids) : ids_(ids) {}
inpM_IntegerSet::inpM_IntegerSet(const inpM_IntegerSet& other) = default;
inpM_IntegerSet& inpM_IntegerSet::operator=(const inpM_IntegerSet& other) = default;
inpM_IntegerSet::~inpM_IntegerSet() = default;

inpM_IntegerSet::inpM_IntegerSet(aio_istream& in) {
  const int n = ReadCount(in, kIntegerFailed);
  ids_ = cow_1DArrayList<int>(ReadIds(in, n, kIntegerFailed));
  DiscardLine(in);
  Check(in, kIntegerFailed);
}

void inpM_IntegerSet::Print(aio_ostream& out) const {
  out.print_int(ids_.Size()).put('\n');
  if (!ids_.IsEmpty()) PrintIdLine(out, ids_);
}

inpM_IntegerSet* inpM_IntegerSet::Copy() const { return new inpM_IntegerSet(*this); }
void inpM_IntegerSet::Add(const cow_String&, int) {}
void inpM_IntegerSet::Add(int id) { ids_.Append(id); }
void inpM_IntegerSet::Add(const cow_String&, const cow_1DArrayList<int>&) {}
void inpM_IntegerSet::Add(const cow_1DArrayList<int>&) {}
void inpM_IntegerSet::Add(const cow_String&, const inpM_BaseSet&) {}
void inpM_IntegerSet::Add(const inpM_BaseSet&) {}
bool inpM_IntegerSet::Remove(int id) { return ids_.RemoveMember(id); }

void inpM_IntegerSet::Renumber(const inpM_IdMap& idMap, bool inverse) { ids_ = idMap.Renumber(ids_, inverse); }

bool inpM_IntegerSet::IsUnsorted() const { return true; }
cow_1DArrayList<int> inpM_IntegerSet::ConstGetIds() const { return ids_; }
cow_1DArrayList<int> inpM_IntegerSet::ConstGetTopLevelIds() const { return ids_; }
cow_1DArrayList<int> inpM_IntegerSet::ConstGetSecondLevelIds(const cow_String&) const { return {}; }
inpM_InstanceIdsMap inpM_IntegerSet::ConstGetInstanceIdsMap() const { return {}; }

// Keeping the held ids in one pass gives the same list whether the list or
// the id map's table is the longer, and writes only when an id goes.
void inpM_IntegerSet::Cleanup(const inpM_IdMap& idMap) {
  const omi_IntTable<int>& table = idMap.ConstGetIds();
  const auto undefined = [&table](int id) { return table.Find(id) == nullptr; };
  if (std::none_of(ids_.begin(), ids_.end(), undefined)) return;
  std::erase_if(ids_.GetVector(), undefined);
}

void inpM_IntegerSet::ChangeInstanceName(const cow_String&, const cow_String&) {}
bool inpM_IntegerSet::IsEmpty() const { return ids_.IsEmpty(); }
int inpM_IntegerSet::GetSetKind() const { return inpM_IntegerSetKind; }
cow_List<cow_String> inpM_IntegerSet::GatherRootLevelInstanceNames() const { return {}; }
inpM_SortedSet inpM_IntegerSet::GetSortedSetEquivalent() const { return inpM_SortedSet(ids_); }

// ---------------------------------------------------------------------------
// inpM_SetNamePair
//
// The inner set is kept storable: a sorted set given to the constructor is
// held converted to an unsorted set (kind 3), since the name-pair record has
// no reader for a sorted inner set. The additions that the unsorted set never
// makes on its components (all but Add(id)) leave the pair unchanged, as for
// the integer set. The inner handle is empty only after reading a record of
// an unknown kind; such a pair then behaves as an empty set and is written
// with the kind 0, which reads back the same way.

inpM_SetNamePair::inpM_SetNamePair(const cow_String& instance, const inpM_BaseSet& set)
    : name_(instance),
      set_(set.GetSetKind() == inpM_SortedSetKind
               ? inpM_SetHandle(new inpM_UnsortedSet(static_cast<const inpM_SortedSet&>(set)))
               : inpM_SetHandle(set)) {}

inpM_SetNamePair::inpM_SetNamePair(const inpM_SetNamePair& other) = default;
inpM_SetNamePair& inpM_SetNamePair::operator=(const inpM_SetNamePair& other) = default;
inpM_SetNamePair::~inpM_SetNamePair() = default;

inpM_SetNamePair::inpM_SetNamePair(aio_istream& in) {
  const ReadDepthGuard depth(kPairFailed);
  name_ = ReadName(in, kPairFailed);
  const int kind = in.scan_int();
  Check(in, kPairFailed);
  DiscardLine(in);
  switch (kind) {
    case inpM_IntegerSetKind:
      set_ = inpM_SetHandle(new inpM_IntegerSet(in));
      break;
    case inpM_SetNamePairKind:
      set_ = inpM_SetHandle(new inpM_SetNamePair(in));
      break;
    case inpM_UnsortedSetKind:
      set_ = inpM_SetHandle(new inpM_UnsortedSet(in));
      break;
    default:
      break;
  }
  Check(in, kPairFailed);
}

void inpM_SetNamePair::Print(aio_ostream& out) const {
  out << name_;
  out.put('\n');
  if (!set_.HasValue()) {
    out.print_int(inpM_BaseSetKind).put('\n');
    return;
  }
  out.print_int(set_->GetSetKind()).put('\n');
  set_->Print(out);
}

inpM_SetNamePair* inpM_SetNamePair::Copy() const { return new inpM_SetNamePair(*this); }
void inpM_SetNamePair::Add(const cow_String&, int) {}

void inpM_SetNamePair::Add(int id) {
  if (set_.HasValue()) set_.Get().Add(id);
}

void inpM_SetNamePair::Add(const cow_String&, const cow_1DArrayList<int>&) {}
void inpM_SetNamePair::Add(const cow_1DArrayList<int>&) {}
void inpM_SetNamePair::Add(const cow_String&, const inpM_BaseSet&) {}
void inpM_SetNamePair::Add(const inpM_BaseSet&) {}

bool inpM_SetNamePair::Remove(int id) { return set_.HasValue() && Holds(*set_, id) && set_.Get().Remove(id); }

void inpM_SetNamePair::Renumber(const inpM_IdMap& idMap, bool inverse) {
  if (set_.HasValue() && idMap.HasInstance(name_)) set_.Get().Renumber(idMap.ConstGet(name_), inverse);
}

bool inpM_SetNamePair::IsUnsorted() const { return true; }

cow_1DArrayList<int> inpM_SetNamePair::ConstGetIds() const {
  return set_.HasValue() ? set_->ConstGetIds() : cow_1DArrayList<int>();
}

cow_1DArrayList<int> inpM_SetNamePair::ConstGetTopLevelIds() const { return {}; }

cow_1DArrayList<int> inpM_SetNamePair::ConstGetSecondLevelIds(const cow_String& instance) const {
  if (!set_.HasValue() || instance != name_) return {};
  return set_->ConstGetTopLevelIds();
}

inpM_InstanceIdsMap inpM_SetNamePair::ConstGetInstanceIdsMap() const { return {}; }

void inpM_SetNamePair::Cleanup(const inpM_IdMap& idMap) {
  if (set_.HasValue() && idMap.HasInstance(name_)) set_.Get().Cleanup(idMap.ConstGet(name_));
}

void inpM_SetNamePair::ChangeInstanceName(const cow_String& oldName, const cow_String& newName) {
  if (name_ == oldName) name_ = newName;
  if (set_.HasValue()) set_.Get().ChangeInstanceName(oldName, newName);
}

bool inpM_SetNamePair::IsEmpty() const { return !set_.HasValue() || set_->IsEmpty(); }
int inpM_SetNamePair::GetSetKind() const { return inpM_SetNamePairKind; }
cow_List<cow_String> inpM_SetNamePair::GatherRootLevelInstanceNames() const { return {name_}; }

inpM_SortedSet inpM_SetNamePair::GetSortedSetEquivalent() const {
  inpM_SortedSet sorted;
  sorted.Add(name_, set_.HasValue() ? set_->GetSortedSetEquivalent() : inpM_SortedSet());
  return sorted;
}

// ---------------------------------------------------------------------------
// inpM_UnsortedSet

inpM_UnsortedSet::inpM_UnsortedSet() = default;
inpM_UnsortedSet::inpM_UnsortedSet(const inpM_UnsortedSet& other) = default;
inpM_UnsortedSet& inpM_UnsortedSet::operator=(const inpM_UnsortedSet& other) = default;
inpM_UnsortedSet::~inpM_UnsortedSet() = default;

inpM_UnsortedSet::inpM_UnsortedSet(const cow_1DArrayList<int>& ids) {
  components_.Append(inpM_SetHandle(new inpM_IntegerSet(ids)));
}

inpM_UnsortedSet::inpM_UnsortedSet(const inpM_SortedSet& set) {
  components_.Append(inpM_SetHandle(new inpM_IntegerSet(set.ConstGetTopLevelIds())));
  for (const auto& [name, ids] : set.ConstGetInstanceIdsMap())
    components_.Append(inpM_SetHandle(new inpM_SetNamePair(name, inpM_IntegerSet(ids))));
  for (const auto& [name, subset] : set.ConstGetInstanceSubsets())
    components_.Append(inpM_SetHandle(new inpM_SetNamePair(name, inpM_UnsortedSet(*subset))));
}

inpM_UnsortedSet::inpM_UnsortedSet(aio_istream& in) {
  const ReadDepthGuard depth(kUnsortedFailed);
  SetTypeFlag(static_cast<inpM_SetTypeFlag>(in.scan_int()));
  const int n = ReadCount(in, kUnsortedFailed);
  DiscardLine(in);
  for (int i = 0; i < n; ++i) {
    Check(in, kUnsortedFailed);
    const int kind = in.scan_int();
    Check(in, kUnsortedFailed);
    DiscardLine(in);
    switch (kind) {
      case inpM_IntegerSetKind:
        components_.Append(inpM_SetHandle(new inpM_IntegerSet(in)));
        break;
      case inpM_SetNamePairKind:
        components_.Append(inpM_SetHandle(new inpM_SetNamePair(in)));
        break;
      case inpM_UnsortedSetKind:
        components_.Append(inpM_SetHandle(new inpM_UnsortedSet(in)));
        break;
      default:
        break;
    }
  }
  Check(in, kUnsortedFailed);
}

void inpM_UnsortedSet::Print(aio_ostream& out) const {
  out.print_int(GetTypeFlag()).put('\n');
  out.print_int(components_.Size()).put('\n');
  for (const inpM_SetHandle& c : components_) {
    out.print_int(c->GetSetKind()).put('\n');
    c->Print(out);
  }
}

inpM_UnsortedSet* inpM_UnsortedSet::Copy() const { return new inpM_UnsortedSet(*this); }

void inpM_UnsortedSet::Add(const cow_String& instance, int id) {
  components_.Append(inpM_SetHandle(new inpM_SetNamePair(instance, inpM_IntegerSet({id}))));
}

void inpM_UnsortedSet::Add(int id) { components_.Append(inpM_SetHandle(new inpM_IntegerSet({id}))); }

void inpM_UnsortedSet::Add(const cow_String& instance, const cow_1DArrayList<int>& ids) {
  components_.Append(inpM_SetHandle(new inpM_SetNamePair(instance, inpM_IntegerSet(ids))));
}

void inpM_UnsortedSet::Add(const cow_1DArrayList<int>& ids) {
  components_.Append(inpM_SetHandle(new inpM_IntegerSet(ids)));
}

void inpM_UnsortedSet::Add(const cow_String& instance, const inpM_BaseSet& set) {
  switch (set.GetSetKind()) {
    case inpM_UnsortedSetKind:
    case inpM_SortedSetKind:
      // The pair holds a sorted set converted to an unsorted one.
      components_.Append(inpM_SetHandle(new inpM_SetNamePair(instance, set)));
      break;
    default:
      break;
  }
}

void inpM_UnsortedSet::Add(const inpM_BaseSet& set) {
  switch (set.GetSetKind()) {
    case inpM_UnsortedSetKind: {
      // A copy of the list first, so that adding a set to itself appends its
      // components once.
      const cow_1DArrayList<inpM_SetHandle> more = static_cast<const inpM_UnsortedSet&>(set).components_;
      components_.Append(more);
      break;
    }
    case inpM_SortedSetKind:
      components_.Append(inpM_UnsortedSet(static_cast<const inpM_SortedSet&>(set)).components_);
      break;
    default:
      break;
  }
}

bool inpM_UnsortedSet::Remove(int id) {
  for (int i = 0; i < components_.Size(); ++i) {
    if (Holds(*components_[i], id)) return components_.Get(i).Get().Remove(id);
  }
  return false;
}

void inpM_UnsortedSet::Renumber(const inpM_IdMap& idMap, bool inverse) {
  for (int i = 0; i < components_.Size(); ++i) components_.Get(i).Get().Renumber(idMap, inverse);
}

bool inpM_UnsortedSet::IsUnsorted() const { return true; }

cow_1DArrayList<int> inpM_UnsortedSet::ConstGetIds() const {
  std::vector<int> ids;
  for (const inpM_SetHandle& c : components_) AppendIds(ids, c->ConstGetIds());
  return cow_1DArrayList<int>(std::move(ids));
}

cow_1DArrayList<int> inpM_UnsortedSet::ConstGetTopLevelIds() const {
  std::vector<int> ids;
  for (const inpM_SetHandle& c : components_) AppendIds(ids, c->ConstGetTopLevelIds());
  return cow_1DArrayList<int>(std::move(ids));
}

cow_1DArrayList<int> inpM_UnsortedSet::ConstGetSecondLevelIds(const cow_String& instance) const {
  std::vector<int> ids;
  for (const inpM_SetHandle& c : components_) AppendIds(ids, c->ConstGetSecondLevelIds(instance));
  return cow_1DArrayList<int>(std::move(ids));
}

inpM_InstanceIdsMap inpM_UnsortedSet::ConstGetInstanceIdsMap() const {
  inpM_InstanceIdsMap map;
  for (const cow_String& name : GatherRootLevelInstanceNames()) {
    if (!map.IsMember(name)) map.Insert(name, ConstGetSecondLevelIds(name));
  }
  return map;
}

void inpM_UnsortedSet::Cleanup(const inpM_IdMap& idMap) {
  for (int i = 0; i < components_.Size(); ++i) components_.Get(i).Get().Cleanup(idMap);
}

void inpM_UnsortedSet::ChangeInstanceName(const cow_String& oldName, const cow_String& newName) {
  if (oldName == newName) return;
  for (int i = 0; i < components_.Size(); ++i) components_.Get(i).Get().ChangeInstanceName(oldName, newName);
}

bool inpM_UnsortedSet::IsEmpty() const {
  return std::all_of(components_.begin(), components_.end(), [](const inpM_SetHandle& c) { return c->IsEmpty(); });
}

int inpM_UnsortedSet::GetSetKind() const { return inpM_UnsortedSetKind; }

cow_List<cow_String> inpM_UnsortedSet::GatherRootLevelInstanceNames() const {
  cow_List<cow_String> names;
  for (const inpM_SetHandle& c : components_) names.Append(c->GatherRootLevelInstanceNames());
  return names;
}

inpM_SortedSet inpM_UnsortedSet::GetSortedSetEquivalent() const { return inpM_SortedSet(*this); }
