// inpM_PartMap: id and set maintenance, and the removal of redundant internal
// sets. Every change of an id table goes through AddIdPair or RemoveIdPair,
// which keep the global-to-local index in step one pair at a time.
#include <climits>

#include "inpM_GlobalIndex.h"
#include "inpM_Messages.h"
#include "inpM_PartMap.h"
#include "inpM_PartMapEditing.h"

namespace {

inpM_InstanceMaps* WritableLevel(inpM_InstanceIdMaps& maps, const cow_String& instance) {
  return instance.IsEmpty() ? &maps.assembly : maps.instances.Find(instance);
}

const inpM_InstanceMaps* Level(const inpM_InstanceIdMaps& maps, const cow_String& instance) {
  return instance.IsEmpty() ? &maps.assembly : maps.instances.ConstFind(instance);
}

bool Holds(const inpM_BaseSet& set, int id);

bool Holds(const inpM_SortedSet& set, int id) {
  if (set.ConstGetTopLevelSet().IsMember(id)) return true;
  for (const auto& [name, entry] : set.ConstGetSecondLevelEntries())
    if (entry.IsMember(id)) return true;
  for (const auto& [name, subset] : set.ConstGetInstanceSubsets())
    if (Holds(*subset, id)) return true;
  return false;
}

// Whether Remove(id) would remove an occurrence, tested without a copy.
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

// Removes one occurrence of the id from every set of the map that holds it.
// A copy of each set with the id removed replaces the set when the removal
// took place: that is the set with the id removed in place, and the sets
// that do not hold it stay as they are, uncopied.
void RemoveFromSets(inpM_SetMap& sets, const cow_String* instance, int id) {
  const inpM_BaseSetMap& held = instance ? sets.ConstGetNestedSetMap(*instance).ConstGetSets() : sets.ConstGetSets();
  cow_List<cow_String> holders;
  for (const auto& [name, set] : held)
    if (Holds(*set, id)) holders.Append(name);
  for (const cow_String& name : holders) {
    inpM_SetHandle* set = instance ? sets.FindNestedSet(*instance, name) : sets.FindSet(name);
    set->Get().Remove(id);
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
  (elements ? writable.elements : writable.nodes).Removed(instance, globalId, level->globalToLocal.ConstPtr());
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
    omi_IntTableIterator<int> last(*level->localToGlobal);
    last.Last();
    localId = last.IsDone() ? 1 : last.CurrentKey() + (last.CurrentKey() < INT_MAX);
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
  RemoveFromSets(sets, nullptr, globalId);
  if (!owner.instance.IsEmpty() && sets.HasNestedSetMap(owner.instance))
    RemoveFromSets(sets, &owner.instance, globalId);
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

void inpM_PartMap::ClearElset(const cow_String& name) {
  const cow_String assembly = GetAssemblySetName(elementSets, name);
  if (assembly.IsEmpty()) {
    const cow_List<cow_String> names = GetInstanceAndSetNames(elementSets, name);
    if (names.Size() == 2 && elementSets.HasNestedSet(names[0], names[1])) Empty(elementSets, &names[0], names[1]);
  } else if (elementSets.HasSet(assembly)) {
    Empty(elementSets, nullptr, assembly);
  }
}

void inpM_PartMap::ClearNset(const cow_String& name) {
  const cow_String assembly = GetAssemblySetName(nodeSets, name);
  if (assembly.IsEmpty()) {
    const cow_List<cow_String> names = GetInstanceAndSetNames(nodeSets, name);
    if (names.Size() == 2 && nodeSets.HasNestedSet(names[0], names[1])) Empty(nodeSets, &names[0], names[1]);
  } else if (nodeSets.HasSet(assembly)) {
    Empty(nodeSets, nullptr, assembly);
  }
}

void inpM_PartMap::InsertIntoSet(const cow_String& setName, const cow_String& kind, const cow_String& instance, int id,
                                 int, inpM_SetTypeFlag typeFlag, bool unsorted, bool newSet) {
  if (kind != cow_String("elset") && kind != cow_String("nset")) inpM_ReportError("Unknown setTypeString: %s", kind);
  inpM_SetMap& sets = kind == cow_String("elset") ? elementSets : nodeSets;
  const cow_1DArrayList<int> ids{id};
  const cow_List<cow_String> split = GetInstanceAndSetNames(sets, setName);
  const bool splitFound = split.Size() == 2;
  // The id as a top-level id of an assembly set, or as an id of `instance`.
  const auto addToAssembly = [&](const cow_String& name) {
    inpM_AddToSet(sets, name, nullptr, instance.IsEmpty() ? nullptr : &instance, ids, typeFlag, unsorted);
  };
  const cow_String assembly = newSet ? cow_String() : GetAssemblySetName(sets, setName);
  if (splitFound) inpM_AddToSet(sets, split[1], &split[0], nullptr, ids, typeFlag, unsorted);
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
  inpM_SetMap& sets = elements ? elementSets : nodeSets;
  const inpM_InstanceIdMaps& maps = elements ? elementMap : nodeMap;
  // Removes each id that the level holds from its two tables.
  const auto removeIds = [&](const cow_String& instance, const cow_1DArrayList<int>& ids) {
    const inpM_InstanceMaps* level = Level(maps, instance);
    if (!level) return;
    for (const int id : ids)
      if (level->globalToLocal->Find(id)) RemoveIdPair(elements, instance, id);
  };

  const cow_List<cow_String> names = sets.ConstGetSets().Keys();
  for (const cow_String& name : names) {
    const inpM_BaseSet& set = sets.ConstGetSet(name);
    const inpM_SetTypeFlag flag = set.GetTypeFlag();
    if (flag == inpM_RedundantInternalSet) {
      removeIds(cow_String(), set.ConstGetTopLevelIds());
      for (const auto& [instance, ids] : set.ConstGetInstanceIdsMap()) removeIds(instance, ids);
    }
    if (IsRedundant(flag)) sets.RemoveSet(name);
  }

  const cow_List<cow_String> instances = sets.Instances();
  for (const cow_String& instance : instances) {
    const cow_List<cow_String> nested = sets.ConstGetNestedSetMap(instance).ConstGetSets().Keys();
    for (const cow_String& name : nested) {
      const inpM_BaseSet& set = sets.ConstGetNestedSet(instance, name);
      const inpM_SetTypeFlag flag = set.GetTypeFlag();
      if (flag == inpM_RedundantInternalSet) removeIds(instance, set.ConstGetIds());
      if (IsRedundant(flag)) sets.RemoveNestedSet(instance, name);
    }
  }
}
