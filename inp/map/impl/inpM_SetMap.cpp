#include "inpM_SetMap.h"

#include "inpM_IdMap.h"
#include "inpM_Messages.h"
#include "inpM_RecordReader.h"
#include "inpM_Utils.h"
#include "nex.h"
#include "wip.h"

namespace {

// The set map's one message for a record it cannot go on reading.
const char kEofEncountered[] = "EOF encountered.";

// The nesting depth of the set maps being read in this thread.
thread_local int readDepth = 0;

void PrintName(aio_ostream& out, const cow_String& name) {
  out << inpM_Utils::RemoveQuotes(name);
  out.put('\n');
}

}  // namespace

inpM_SetMap::inpM_SetMap() = default;
inpM_SetMap::inpM_SetMap(const inpM_SetMap& other) = default;
inpM_SetMap::inpM_SetMap(inpM_SetMap&& other) noexcept = default;
inpM_SetMap& inpM_SetMap::operator=(const inpM_SetMap& other) = default;
inpM_SetMap& inpM_SetMap::operator=(inpM_SetMap&& other) noexcept = default;
inpM_SetMap::inpM_SetMap(const inpM_BaseSetMap& sets) : sets_(sets) {
  for (const auto& [name, set] : sets_) NEX_ASSERT(set.HasValue());
}
inpM_SetMap::inpM_SetMap(aio_istream& in) { Read(in); }
inpM_SetMap::~inpM_SetMap() = default;

void inpM_SetMap::Read(aio_istream& in) {
  inpM_RecordReader r(in, kEofEncountered);
  const inpM_ReadDepthGuard depth(readDepth, r);
  const int n = r.CountLine();
  for (int i = 0; i < n; ++i) {
    r.TestBefore();
    const cow_String name = r.Name();
    const int unsorted = r.Integer();
    sets_.Insert(name, CreateSet(in, unsorted != 0));
  }
  const int nested = r.CountLine();
  for (int i = 0; i < nested; ++i) {
    r.TestBefore();
    const cow_String name = r.Name();
    nested_.Insert(name, inpM_SetMapHandle(new inpM_SetMap(in)));
  }
}

void inpM_SetMap::Print(aio_ostream& out) const {
  out.print_int(sets_.Size()).put('\n');
  for (cow_ConstMapSortedIt<cow_String, inpM_SetHandle> it(sets_); !it.IsDone(); it.Next()) {
    const inpM_BaseSet& set = *it.CurrentValue();
    PrintName(out, it.CurrentKey());
    out.print_int(set.IsUnsorted() ? 1 : 0).put('\n');
    set.Print(out);
  }
  out.print_int(nested_.Size()).put('\n');
  for (const auto& [instance, map] : nested_) {
    PrintName(out, instance);
    map->Print(out);
  }
}

const inpM_BaseSet& inpM_SetMap::ConstGetSet(const cow_String& set) const {
  const inpM_SetHandle* found = sets_.ConstFind(set);
  if (!found) inpM_ReportError("Set %s does not exist", set);
  return **found;
}

const inpM_BaseSet& inpM_SetMap::ConstGetNestedSet(const cow_String& instance, const cow_String& set) const {
  return ConstGetNestedSetMap(instance).ConstGetSet(set);
}

const inpM_SetMap& inpM_SetMap::ConstGetNestedSetMap(const cow_String& instance) const {
  const inpM_SetMapHandle* found = nested_.ConstFind(instance);
  if (!found) inpM_ReportError("Instance %s does not exist", instance);
  return **found;
}

void inpM_SetMap::InsertSet(const cow_String& set, const inpM_BaseSet& value) {
  sets_.Insert(set, inpM_SetHandle(value));
}

void inpM_SetMap::InsertSet(const cow_String& set, const inpM_SetHandle& value) {
  NEX_ASSERT(value.HasValue());
  sets_.Insert(set, value);
}

void inpM_SetMap::MergeSet(const cow_String& set, const inpM_BaseSet& value) {
  if (inpM_SetHandle* existing = sets_.Find(set))
    existing->Get().Add(value);
  else
    InsertSet(set, value);
}

void inpM_SetMap::InsertNestedSet(const cow_String& instance, const cow_String& set, const inpM_BaseSet& value) {
  if (inpM_SetMapHandle* map = nested_.Find(instance)) {
    map->Get().InsertSet(set, value);
    return;
  }
  inpM_SetMap* map = new inpM_SetMap();
  nested_.Insert(instance, inpM_SetMapHandle(map));
  map->InsertSet(set, value);
}

void inpM_SetMap::MergeNestedSet(const cow_String& instance, const cow_String& set, const inpM_BaseSet& value) {
  if (inpM_SetMapHandle* map = nested_.Find(instance))
    map->Get().MergeSet(set, value);
  else
    InsertNestedSet(instance, set, value);
}

void inpM_SetMap::InsertNestedSetMap(const cow_String& instance, const inpM_BaseSetMap& sets) {
  nested_.Insert(instance, inpM_SetMapHandle(new inpM_SetMap(sets)));
}

bool inpM_SetMap::HasNestedSet(const cow_String& instance, const cow_String& set) const {
  const inpM_SetMapHandle* map = nested_.ConstFind(instance);
  return map && (*map)->HasSet(set);
}

bool inpM_SetMap::RemoveNestedSet(const cow_String& instance, const cow_String& set) {
  if (!HasNestedSet(instance, set)) return false;
  return nested_.Get(instance).Get().RemoveSet(set);
}

bool inpM_SetMap::SearchAssemblyAndInstancesForSet(const cow_String& set, cow_String& instance) const {
  if (HasSet(set)) {
    instance = cow_String();
    return true;
  }
  for (cow_ConstMapSortedIt<cow_String, inpM_SetMapHandle> it(nested_); !it.IsDone(); it.Next()) {
    if (it.CurrentValue()->HasSet(set)) {
      instance = it.CurrentKey();
      return true;
    }
  }
  return false;
}

void inpM_SetMap::Renumber(const inpM_IdMap& idMap, bool inverse) {
  // The renumbered copies replace the assembly sets only when all of them
  // are done, so an id the id map cannot map leaves them as they were.
  inpM_BaseSetMap renumbered = sets_;
  for (const cow_String& name : sets_.Keys()) renumbered.Get(name).Get().Renumber(idMap, inverse);
  sets_ = std::move(renumbered);
  for (const cow_String& instance : nested_.Keys()) {
    if (idMap.HasInstance(instance)) nested_.Get(instance).Get().Renumber(idMap.ConstGet(instance), inverse);
  }
}

cow_List<atr_String> inpM_SetMap::Cleanup(const inpM_IdMap& idMap) {
  cow_List<atr_String> report;
  cow_List<cow_String> removed;
  for (const cow_String& name : sets_.Keys()) {
    const inpM_SetHandle original = sets_.ConstGet(name);
    inpM_SetHandle cleaned = original;
    cleaned.Get().Cleanup(idMap);
    // An emptied set is found by its ids: a sorted set left with only empty
    // instance entries is not IsEmpty() but has no ids.
    if (cleaned->ConstGetIds().IsEmpty() && !original->ConstGetIds().IsEmpty()) {
      sets_.Remove(name);
      removed.Append(name);
    } else {
      sets_.Insert(name, std::move(cleaned));
    }
  }
  if (!removed.IsEmpty())
    report.Append(inpM_Utils::FormatCollectedErrors(inpM_Message("The following sets are empty and will be removed: "),
                                                    removed));
  for (const cow_String& instance : nested_.Keys()) {
    if (idMap.HasInstance(instance))
      report.Append(nested_.Get(instance).Get().Cleanup(idMap.ConstGet(instance)));
  }
  return report;
}

void inpM_SetMap::CleanupShowWarning(const inpM_IdMap& idMap) {
  const cow_List<atr_String> report = Cleanup(idMap);
  if (!report.IsEmpty()) thr_ThreadSingleton<wip_WIP>::Instance().WarningList(report);
}

void inpM_SetMap::Merge(const inpM_SetMap& other) {
  // Merging a map into itself reads from an unchanging snapshot.
  const inpM_SetMap from = other;
  for (const auto& [name, set] : from.sets_) MergeSet(name, *set);
  for (const auto& [instance, map] : from.nested_) {
    if (inpM_SetMapHandle* mine = nested_.Find(instance))
      mine->Get().Merge(*map);
    else
      nested_.Insert(instance, map);
  }
}

cow_List<cow_String> inpM_SetMap::Instances() const { return nested_.Keys(); }

void inpM_SetMap::ChangeInstanceName(const cow_String& oldName, const cow_String& newName) {
  if (oldName == newName) return;
  const inpM_SetMapHandle* map = nested_.ConstFind(oldName);
  if (!map) return;
  const inpM_SetMapHandle moved = *map;
  nested_.Remove(oldName);
  nested_.Insert(newName, moved);
}

void inpM_SetMap::DeleteAllSetsExceptThoseListed(const cow_List<cow_String>& names) {
  for (const cow_String& name : sets_.Keys()) {
    if (!names.IsMember(name)) sets_.Remove(name);
  }
  for (const cow_String& instance : nested_.Keys()) nested_.Get(instance).Get().DeleteAllSetsExceptThoseListed(names);
}

// Duplicated ids are made by the id map for the analysis alone; no set names
// them, so the set map keeps its sets as they are.
void inpM_SetMap::InsertDuplicateOffsetIds(int, int) {}

bool inpM_SetMap::IsEmpty() const { return sets_.IsEmpty() && nested_.IsEmpty(); }

bool inpM_SetMap::HasSet(const cow_String& set) const { return sets_.IsMember(set); }

bool inpM_SetMap::RemoveSet(const cow_String& set) { return sets_.Remove(set); }

bool inpM_SetMap::HasNestedSetMap(const cow_String& instance) const { return nested_.IsMember(instance); }
