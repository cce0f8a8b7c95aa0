// inpM_PartMap: id and set maintenance, and the removal of redundant internal
// sets. Every change of an id table goes through AddIdPair or RemoveIdPair,
// which keep the global-to-local index in step one pair at a time.
#include <algorithm>
#include <memory>
#include <climits>
#include <cstdint>

#include "inpM_GlobalIndex.h"
#include "inpM_Messages.h"
#include "inpM_PartMap.h"
#include "inpM_PartMapEditing.h"
#include "inpM_SetShared.h"

namespace {

inpM_InstanceMaps* WritableLevel(inpM_InstanceIdMaps& maps, const cow_String& instance) {
  return instance.IsEmpty() ? &maps.assembly : maps.instances.Find(instance);
}

const inpM_InstanceMaps* Level(const inpM_InstanceIdMaps& maps, const cow_String& instance) {
  return instance.IsEmpty() ? &maps.assembly : maps.instances.ConstFind(instance);
}

// Removes one occurrence of the id from every set of the map (of the
// instance `nested`, or assembly sets for null) that holds it. A copy of each
// set with the id removed replaces the set when the removal took place: that
// is the set with the id removed in place, and only the sets that the
// holders list are looked at.
void RemoveFromSets(inpM_SetMap& sets, const inpM_SetHolders& holders, const cow_String* nested, int id) {
  const cow_String level = nested ? *nested : cow_String();
  for (const auto& [instance, name] : holders.Of(id)) {
    if (instance != level) continue;
    inpM_SetHandle* set = nested ? sets.FindNestedSet(*nested, name) : sets.FindSet(name);
    if (set && inpM_SetShared::Holds(**set, id)) set->Get().Remove(id);
  }
}

bool IsRedundant(inpM_SetTypeFlag flag) { return flag == inpM_InsertedInternalSet || flag == inpM_RedundantInternalSet; }

}  // namespace

// ---------------------------------------------------------------------------
// Id pairs

void inpM_PartMap::AddIdPair(bool elements, const cow_String& instance, int globalId, int localId) {
  inpM_InstanceMaps* level = WritableLevel(elements ? elementMap : nodeMap, instance);
  level->localToGlobal.Get().Insert(localId, globalId);
  level->globalToLocal.Get().Insert(globalId, localId);
  inpM_PartMapIndex& writable = index.Get();
  (elements ? writable.elements : writable.nodes).Added(instance, globalId, localId, level->globalToLocal.ConstPtr());
}

void inpM_PartMap::RemoveIdPair(bool elements, const cow_String& instance, int globalId) {
  inpM_InstanceMaps* level = WritableLevel(elements ? elementMap : nodeMap, instance);
  const int localId = *level->globalToLocal->Find(globalId);
  level->localToGlobal.Get().Remove(localId);
  level->globalToLocal.Get().Remove(globalId);
  inpM_PartMapIndex& writable = index.Get();
  (elements ? writable.elements : writable.nodes)
      .Removed(instance, globalId, localId, level->globalToLocal.ConstPtr());
}

// ---------------------------------------------------------------------------
// Set changes

inpM_PartMapIndex& inpM_PartMap::SetsChanging() { return index.Get(); }

void inpM_PartMap::AddToSet(bool elements, const cow_String& set, const cow_String* nested,
                            const cow_String* instance, const cow_1DArrayList<int>& ids, inpM_SetTypeFlag typeFlag,
                            bool unsorted) {
  inpM_PartMapIndex& writable = SetsChanging();
  if (inpM_AddToSet(elements ? elementSets : nodeSets, set, nested, instance, ids, typeFlag, unsorted))
    SetNamesChanged(elements);
  std::shared_ptr<inpM_SetHolders>& holders = writable.holders[elements];
  if (!holders) return;
  if (holders.use_count() > 1) holders = std::make_shared<inpM_SetHolders>(*holders);
  holders->Add(nested, set, ids);
}

// ---------------------------------------------------------------------------
// Inserting and removing ids

// An instance that the map lacks is reported as the id lookups report it.
// A global id that the level holds keeps its local id; one that another
// level holds is refused, so that no global id has two holders (the stored
// form could not tell them apart). A local id already taken (with
// localIdsAreGlobal, by another global id; or past the largest int) is
// refused likewise rather than left pointing at two global ids.
int inpM_PartMap::InsertId(bool elements, int globalId, const cow_String& instance) {
  const inpM_InstanceIdMaps& maps = elements ? elementMap : nodeMap;
  const inpM_InstanceMaps* level = Level(maps, instance);
  if (!level) inpM_ReportError("Unknown instance name: %s", instance);
  if (const int* localId = level->globalToLocal->Find(globalId)) return *localId;
  const inpM_GlobalIndex& kind = elements ? index->elements : index->nodes;
  if (kind.Holds(globalId))
    inpM_ReportError("Global id %1$d already belongs to instance '%2$s'.", globalId, kind.Answer(globalId).instance);
  int localId = globalId;
  if (!localIdsAreGlobal) {
    inpM_PartMapIndex& writable = index.Get();
    const int64_t largest =
        (elements ? writable.elements : writable.nodes).LargestLocal(instance, *level->localToGlobal);
    localId = largest == INT64_MIN ? 1 : static_cast<int>(std::min<int64_t>(largest + 1, INT_MAX));
  }
  if (const int* taken = level->localToGlobal->Find(localId))
    inpM_ReportError("Local id %1$d of instance '%2$s' already belongs to global id %3$d.", localId, instance, *taken);
  AddIdPair(elements, instance, globalId, localId);
  return localId;
}

int inpM_PartMap::InsertNode(int globalId, const cow_String& instance) { return InsertId(false, globalId, instance); }

int inpM_PartMap::InsertElement(int globalId, const cow_String& instance) { return InsertId(true, globalId, instance); }

void inpM_PartMap::RemoveNodeOrElement(int globalId, const cow_String& kind) {
  const bool elements = kind == cow_String("elset");
  if (!(elements ? IsElementPartMapMember(globalId) : IsNodePartMapMember(globalId))) return;
  const inpM_StringIntPair owner =
      elements ? ConstGetInstanceElementIdPair(globalId) : ConstGetInstanceNodeIdPair(globalId);
  inpM_SetMap& sets = elements ? elementSets : nodeSets;
  // Built in the index as it is shared: the copies that share it have the
  // same sets, and a model copied for each of many runs builds it once.
  std::shared_ptr<inpM_SetHolders>& shared = index->holders[elements];
  if (!shared) shared = std::make_shared<inpM_SetHolders>(sets);
  const std::shared_ptr<const inpM_SetHolders> holders = shared;
  SetsChanging();
  RemoveFromSets(sets, *holders, nullptr, globalId);
  if (!owner.instance.IsEmpty() && sets.HasNestedSetMap(owner.instance))
    RemoveFromSets(sets, *holders, &owner.instance, globalId);
  RemoveIdPair(elements, owner.instance, globalId);
}

// ---------------------------------------------------------------------------
// Clearing and filling sets

namespace {

void Empty(inpM_SetMap& sets, const cow_String* instance, const cow_String& name) {
  const inpM_BaseSet& old = instance ? sets.ConstGetNestedSet(*instance, name) : sets.ConstGetSet(name);
  const inpM_SetHandle empty = CreateSet(old.GetTypeFlag(), old.IsUnsorted());
  if (instance)
    sets.InsertNestedSet(*instance, name, *empty);
  else
    sets.InsertSet(name, empty);
}

}  // namespace

void inpM_PartMap::ClearSet(inpM_SetMap& sets, const cow_String& name) {
  SetsChanging();
  const cow_String assembly = GetAssemblySetName(sets, name);
  if (assembly.IsEmpty()) {
    const cow_List<cow_String> names = GetInstanceAndSetNames(sets, name);
    if (names.Size() == 2 && sets.HasNestedSet(names[0], names[1])) Empty(sets, &names[0], names[1]);
  } else if (sets.HasSet(assembly)) {
    Empty(sets, nullptr, assembly);
  }
}

void inpM_PartMap::ClearElset(const cow_String& name) { ClearSet(elementSets, name); }

void inpM_PartMap::ClearNset(const cow_String& name) { ClearSet(nodeSets, name); }

void inpM_PartMap::InsertIntoSet(const cow_String& setName, const cow_String& kind, const cow_String& instance, int id,
                                 int, inpM_SetTypeFlag typeFlag, bool unsorted, bool newSet) {
  const bool elements = kind == cow_String("elset");
  if (!elements && kind != cow_String("nset")) inpM_ReportError("Unknown setTypeString: %s", kind);
  inpM_SetMap& sets = elements ? elementSets : nodeSets;
  const cow_1DArrayList<int> ids{id};
  const cow_List<cow_String> split = GetInstanceAndSetNames(sets, setName);
  const bool splitFound = split.Size() == 2;
  // The id as a top-level id of an assembly set, or as an id of `instance`.
  const auto addToAssembly = [&](const cow_String& name) {
    AddToSet(elements, name, nullptr, instance.IsEmpty() ? nullptr : &instance, ids, typeFlag, unsorted);
  };
  const cow_String assembly = newSet ? cow_String() : GetAssemblySetName(sets, setName);
  if (splitFound) AddToSet(elements, split[1], &split[0], nullptr, ids, typeFlag, unsorted);
  if (!assembly.IsEmpty()) addToAssembly(assembly);
  if (!splitFound && assembly.IsEmpty()) addToAssembly(StripAssemblyPrefix(setName));
}

// ---------------------------------------------------------------------------
// Redundant internal sets

void inpM_PartMap::RemoveRedundantInternalSets() {
  RemoveRedundantInternalSets(cow_String("nsets"));
  RemoveRedundantInternalSets(cow_String("elsets"));
}

void inpM_PartMap::RemoveRedundantInternalSets(const cow_String& kind) {
  RemoveRedundantSetsOfKind(kind == cow_String("elsets"));
}

void inpM_PartMap::RemoveRedundantSetsOfKind(bool elements) {
  SetsChanging();
  inpM_SetMap& sets = elements ? elementSets : nodeSets;
  const inpM_InstanceIdMaps& maps = elements ? elementMap : nodeMap;
  // Removes each id that the level holds from its two tables. The level is
  // looked up for each id: a removal may move the tables.
  const auto removeIds = [&](const cow_String& instance, const cow_1DArrayList<int>& ids) {
    for (const int id : ids) {
      const inpM_InstanceMaps* level = Level(maps, instance);
      if (!level) return;
      if (level->globalToLocal->Find(id)) RemoveIdPair(elements, instance, id);
    }
  };

  const cow_List<cow_String> names = sets.ConstGetSets().Keys();
  for (const cow_String& name : names) {
    const inpM_BaseSet& set = sets.ConstGetSet(name);
    const inpM_SetTypeFlag flag = set.GetTypeFlag();
    if (flag == inpM_RedundantInternalSet) {
      removeIds(cow_String(), set.ConstGetTopLevelIds());
      for (const auto& [instance, ids] : set.ConstGetInstanceIdsMap()) removeIds(instance, ids);
    }
    if (IsRedundant(flag)) {
      sets.RemoveSet(name);
      SetNamesChanged(elements);
    }
  }

  const cow_List<cow_String> instances = sets.Instances();
  for (const cow_String& instance : instances) {
    const cow_List<cow_String> nested = sets.ConstGetNestedSetMap(instance).ConstGetSets().Keys();
    for (const cow_String& name : nested) {
      const inpM_BaseSet& set = sets.ConstGetNestedSet(instance, name);
      const inpM_SetTypeFlag flag = set.GetTypeFlag();
      if (flag == inpM_RedundantInternalSet) removeIds(instance, set.ConstGetIds());
      if (IsRedundant(flag)) {
        sets.RemoveNestedSet(instance, name);
        SetNamesChanged(elements);
      }
    }
  }
}

// ---------------------------------------------------------------------------
// The sets that may hold an id

inpM_SetHolders::inpM_SetHolders(const inpM_SetMap& sets) {
  for (const auto& [name, set] : sets.ConstGetSets()) Add(nullptr, name, set->ConstGetIds());
  for (const auto& [instance, map] : sets.ConstGetNestedSetMaps())
    for (const auto& [name, set] : map->ConstGetSets()) Add(&instance, name, set->ConstGetIds());
}

uint32_t inpM_SetHolders::Ref(const cow_String& instance, const cow_String& set) {
  const auto [at, fresh] = refs_.emplace(std::make_pair(instance, set), static_cast<uint32_t>(sets_.size()));
  if (fresh) sets_.emplace_back(instance, set);
  return at->second;
}

// An id added again to the set that it was last listed under (ids added one
// at a time, an unsorted set's repeats) is not listed again.
void inpM_SetHolders::Add(const cow_String* nested, const cow_String& set, const cow_1DArrayList<int>& ids) {
  const uint32_t ref = Ref(nested ? *nested : cow_String(), set);
  for (const int id : ids) {
    int* last = last_.Find(id);
    if (last && links_[static_cast<size_t>(*last)].first == ref) continue;
    links_.emplace_back(ref, last ? *last : -1);
    const int link = static_cast<int>(links_.size() - 1);
    if (last)
      *last = link;
    else
      last_.Insert(id, link);
  }
}

std::vector<std::pair<cow_String, cow_String>> inpM_SetHolders::Of(int id) const {
  std::vector<uint32_t> refs;
  const int* last = last_.Find(id);
  for (int link = last ? *last : -1; link >= 0; link = links_[static_cast<size_t>(link)].second)
    refs.push_back(links_[static_cast<size_t>(link)].first);
  std::sort(refs.begin(), refs.end());
  refs.erase(std::unique(refs.begin(), refs.end()), refs.end());
  std::vector<std::pair<cow_String, cow_String>> sets;
  for (const uint32_t ref : refs) sets.push_back(sets_[ref]);
  return sets;
}
