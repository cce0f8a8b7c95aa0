// inpM_PartMap: name resolution, set insertion, surface edits and spans.
#include "inpM_PartMap.h"
#include "inpM_PartMapEditing.h"

#include "inpM_Messages.h"
#include "inpM_Utils.h"

namespace {

using FaceMap = inpM_ElementFaceIdSurface::FaceMap;

cow_1DArrayList<int> ListOf(const int* ids, int count) {
  return count > 0 ? cow_1DArrayList<int>(std::vector<int>(ids, ids + count)) : cow_1DArrayList<int>();
}

bool StartsWithIgnoreCase(const cow_String& name, const cow_String& prefix) {
  return inpM_Utils::CompareIgnoreCase(name.Substr(0, prefix.Length()), prefix);
}

// Appends an element to a face's list unless it is there, adding the face
// when it is missing.
void AppendFacet(FaceMap& faces, const cow_String& face, int elementId) {
  if (cow_1DArrayList<int>* ids = faces.Find(face))
    ids->AppendUnlessMember(elementId);
  else
    faces.Insert(face, cow_1DArrayList<int>{elementId});
}

// Removes an element from a face's list, dropping the face when its list
// empties; false when the face is missing.
bool RemoveFacet(FaceMap& faces, const cow_String& face, int elementId) {
  cow_1DArrayList<int>* ids = faces.Find(face);
  if (!ids) return false;
  ids->RemoveMember(elementId);
  if (ids->IsEmpty()) faces.Remove(face);
  return true;
}

inpM_NodeAreaSurface OneNode(int nodeId, double area) {
  inpM_NodeAreaList list;
  list.Insert(nodeId, area);
  return inpM_NodeAreaSurface(list);
}

const inpM_PartInstanceSurface* AssemblyPart(const inpM_SurfaceMap& surfaces, const cow_String& surface,
                                             const cow_String& instance) {
  const inpM_AssemblyInstanceSurface* found = surfaces.ConstGetAssemblySurfaces().ConstFind(surface);
  if (!found || !found->ConstGetInstanceParts().IsMember(instance)) return nullptr;
  return &found->ConstGetInstanceParts().ConstGet(instance);
}

}  // namespace

// ---------------------------------------------------------------------------
// Adding ids to a set. The set is rebuilt as "a new set of the old one's type
// flag and order, the old one added, then the ids". Adding the ids to the
// old set in place gives that same set (type flag, class, levels, the
// components of an unsorted set) at a cost independent of the set's size;
// only an order change (sorted to unsorted) builds the new set.

void inpM_AddToSet(inpM_SetMap& sets, const cow_String& set, const cow_String* nested, const cow_String* instance,
                   const cow_1DArrayList<int>& ids, inpM_SetTypeFlag typeFlag, bool unsorted) {
  inpM_SetHandle* old = nested ? sets.FindNestedSet(*nested, set) : sets.FindSet(set);
  const auto add = [&](inpM_BaseSet& target) {
    // A single id goes in through the single-id additions, which end in the
    // same state as adding a list of one.
    if (instance && ids.Size() == 1)
      target.Add(*instance, ids[0]);
    else if (instance)
      target.Add(*instance, ids);
    else if (ids.Size() == 1)
      target.Add(ids[0]);
    else
      target.Add(ids);
  };
  if (old && (!unsorted || (*old)->IsUnsorted())) {
    add(old->Get());
    return;
  }
  inpM_SetHandle fresh = CreateSet(old ? (*old)->GetTypeFlag() : typeFlag, unsorted || (old && (*old)->IsUnsorted()));
  if (old) fresh.Get().Add(**old);
  add(fresh.Get());
  if (nested)
    sets.InsertNestedSet(*nested, set, *fresh);
  else
    sets.InsertSet(set, fresh);
}

void inpM_PartMap::InsertInstanceNodeSet(const cow_String& set, const cow_String& instance, const int* ids, int count,
                                         inpM_SetTypeFlag typeFlag, bool unsorted) {
  for (int i = 0; i < count; ++i)
    if (!IsInstanceNodeMember(instance, ids[i]))
      inpM_ReportError(
          "Node %1$d does not belong to instance '%2$s' and cannot be assigned to instance node set '%3$s'", ids[i],
          instance, set);
  inpM_AddToSet(nodeSets, set, &instance, nullptr, ListOf(ids, count), typeFlag, unsorted);
}

void inpM_PartMap::InsertInstanceElementSet(const cow_String& set, const cow_String& instance, const int* ids,
                                            int count, inpM_SetTypeFlag typeFlag) {
  for (int i = 0; i < count; ++i)
    if (!IsInstanceElementMember(instance, ids[i]))
      inpM_ReportError(
          "Element %1$d does not belong to instance '%2$s' and cannot be assigned to instance element set '%3$s'",
          ids[i], instance, set);
  inpM_AddToSet(elementSets, set, &instance, nullptr, ListOf(ids, count), typeFlag, false);
}

void inpM_PartMap::InsertAssemblyNodeSet(const cow_String& set, const cow_String& instance, const int* ids, int count,
                                         inpM_SetTypeFlag typeFlag) {
  inpM_AddToSet(nodeSets, set, nullptr, &instance, ListOf(ids, count), typeFlag, false);
}

void inpM_PartMap::InsertAssemblyElementSet(const cow_String& set, const cow_String& instance, const int* ids,
                                            int count, inpM_SetTypeFlag typeFlag) {
  inpM_AddToSet(elementSets, set, nullptr, &instance, ListOf(ids, count), typeFlag, false);
}

// ---------------------------------------------------------------------------
// Name resolution

cow_String inpM_PartMap::StripAssemblyPrefix(const cow_String& name) const {
  if (!flattenedNames) return name;
  const bool quoted = inpM_Utils::Quotes(name);
  cow_String stripped = quoted ? inpM_Utils::RemoveQuotes(name) : name;
  const cow_String assembly = quoted ? inpM_Utils::RemoveQuotes(assemblyName.ToUpper()) : assemblyName.ToUpper();
  for (int at = stripped.Find('_'); at != cow_String::npos; at = stripped.Find('_', at + 1)) {
    if (stripped.Substr(0, at).ToUpper() == assembly) {
      stripped = stripped.Substr(at + 1);
      break;
    }
  }
  return quoted ? inpM_Utils::AddQuotes(stripped) : stripped;
}

cow_String inpM_PartMap::GetAssemblySetName(const inpM_SetMap& sets, const cow_String& name) const {
  const cow_String wanted = StripAssemblyPrefix(name);
  for (const auto& [stored, set] : sets.ConstGetSets())
    if (inpM_Utils::CompareIgnoreCaseAndQuotes(stored, wanted)) return stored;
  return cow_String();
}

cow_String inpM_PartMap::GetAssemblySurfaceName(const cow_String& name) const {
  const cow_String wanted = StripAssemblyPrefix(name);
  for (const auto& [stored, surface] : surfaces.ConstGetAssemblySurfaces())
    if (inpM_Utils::CompareIgnoreCaseAndQuotes(stored, wanted)) return stored;
  return cow_String();
}

namespace {

// Whether `wanted` (quotes removed) may designate an entry of the instance:
// with flattened names it must be longer than the instance name and begin
// with it.
bool inpM_InstanceMayMatch(bool flattened, const cow_String& wanted, const cow_String& instance) {
  const cow_String bare = inpM_Utils::RemoveQuotes(instance);
  return !flattened || (wanted.Length() > bare.Length() && StartsWithIgnoreCase(wanted, bare));
}

// Whether `wanted` designates the instance's entry of that stored name: with
// flattened names the instance name, "_" and the entry's name, else the
// entry's name alone, quotes removed and case ignored.
bool inpM_EntryMatches(bool flattened, const cow_String& wanted, const cow_String& instance, const cow_String& stored) {
  const cow_String bare = inpM_Utils::RemoveQuotes(stored);
  return inpM_Utils::CompareIgnoreCase(
      wanted, flattened ? inpM_Utils::RemoveQuotes(instance) + cow_String("_") + bare : bare);
}

}  // namespace

cow_List<cow_String> inpM_PartMap::GetInstanceAndSetNames(const inpM_SetMap& sets, const cow_String& name) const {
  const cow_String wanted = inpM_Utils::RemoveQuotes(StripAssemblyPrefix(name));
  for (const auto& [instance, map] : sets.ConstGetNestedSetMaps()) {
    if (!inpM_InstanceMayMatch(flattenedNames, wanted, instance)) continue;
    for (const auto& [stored, set] : map->ConstGetSets())
      if (inpM_EntryMatches(flattenedNames, wanted, instance, stored)) return {instance, stored};
  }
  return {};
}

cow_List<cow_String> inpM_PartMap::GetInstanceAndSurfaceNames(const cow_String& name) const {
  const cow_String wanted = inpM_Utils::RemoveQuotes(StripAssemblyPrefix(name));
  for (const auto& [instance, map] : surfaces.ConstGetInstanceSurfaces()) {
    if (!inpM_InstanceMayMatch(flattenedNames, wanted, instance)) continue;
    for (const auto& [stored, surface] : map.ConstGetSurfaces())
      if (inpM_EntryMatches(flattenedNames, wanted, instance, stored)) return {instance, stored};
  }
  return {};
}

inpM_SetTypeFlag inpM_PartMap::SetType(const cow_String& name, const cow_String& kind) const {
  const bool elements = kind == cow_String("elset");
  const inpM_SetMap& sets = elements ? elementSets : nodeSets;
  const cow_String assembly = GetAssemblySetName(sets, name);
  if (!assembly.IsEmpty()) return sets.ConstGetSet(assembly).GetTypeFlag();
  const cow_List<cow_String> names = GetInstanceAndSetNames(sets, name);
  if (names.Size() == 2) return sets.ConstGetNestedSet(names[0], names[1]).GetTypeFlag();
  if (elements) inpM_ReportError("The element set \"%s\" does not exist.", name);
  inpM_ReportError("The node set \"%s\" does not exist.", name);
}

// ---------------------------------------------------------------------------
// Instance surface edits

void inpM_PartMap::AddInstanceSurfaceFacet(const cow_String& instance, const cow_String& surface,
                                           const cow_String& face, int elementId) {
  const cow_String owner = ConstGetInstanceElementIdPair(elementId).instance;
  if (owner != instance)
    inpM_ReportError(
        "The element %1$s belongs to the instance %2$s and cannot be assigned to the surface, %3$s, that belongs to "
        "the instance %4$s",
        elementId, owner, surface, instance);
  if (!surfaces.IsMemberPartInstanceSurface(instance, surface)) return;
  const inpM_PartInstanceSurface& old = surfaces.ConstGetPartInstanceSurface(instance, surface);
  switch (old.GetSurfaceType()) {
    case inpM_NodeAreaSurfaceType:
      inpM_ReportError(
          "Facets can be added only to element based surfaces. The instance surface: instance name = %1$s, surface "
          "name = %2$s, is a node based surface.",
          instance, surface);
    case inpM_AnalyticalSurfaceType:
      inpM_ReportError(
          "Facets can be added only to element based surfaces. The instance surface: instance name = %1$s, surface "
          "name = %2$s, is an analytical rigid surface.",
          instance, surface);
    default:
      break;
  }
  FaceMap faces = old.ConstGetFaceIdElementIdsMap();
  AppendFacet(faces, face, elementId);
  surfaces.InsertPartInstanceSurface(instance, surface, inpM_ElementFaceIdSurface(faces));
}

void inpM_PartMap::RemoveInstanceSurfaceFacet(const cow_String& instance, const cow_String& surface,
                                              const cow_String& face, int elementId) {
  const cow_String owner = ConstGetInstanceElementIdPair(elementId).instance;
  if (owner != instance)
    inpM_ReportError(
        "The element %1$s belongs to the instance %2$s and cannot be removed from the surface, %3$s, that belongs to "
        "the instance %4$s",
        elementId, owner, surface, instance);
  if (!surfaces.IsMemberPartInstanceSurface(instance, surface)) return;
  const inpM_PartInstanceSurface& old = surfaces.ConstGetPartInstanceSurface(instance, surface);
  switch (old.GetSurfaceType()) {
    case inpM_NodeAreaSurfaceType:
      inpM_ReportError(
          "Facets can be removed only from element based surfaces. The instance surface: instance name = %1$s, "
          "surface name = %2$s, is a node based surface.",
          instance, surface);
    case inpM_AnalyticalSurfaceType:
      inpM_ReportError(
          "Facets can be removed only from element based surfaces. The instance surface: instance name = %1$s, "
          "surface name = %2$s, is an analytical rigid surface.",
          instance, surface);
    default:
      break;
  }
  FaceMap faces = old.ConstGetFaceIdElementIdsMap();
  if (!RemoveFacet(faces, face, elementId)) return;
  surfaces.InsertPartInstanceSurface(instance, surface, inpM_ElementFaceIdSurface(faces));
}

void inpM_PartMap::AddInstanceSurfaceNode(const cow_String& instance, const cow_String& surface, int nodeId,
                                          double area) {
  const cow_String owner = ConstGetInstanceNodeIdPair(nodeId).instance;
  if (owner != instance)
    inpM_ReportError(
        "The node %1$s belongs to the instance %2$s and cannot be assigned to the node based surface, %3$s, that "
        "belongs to the instance %4$s",
        nodeId, owner, surface, instance);
  if (!surfaces.IsMemberPartInstanceSurface(instance, surface)) {
    surfaces.InsertPartInstanceSurface(instance, surface, OneNode(nodeId, area));
    return;
  }
  const inpM_PartInstanceSurface& old = surfaces.ConstGetPartInstanceSurface(instance, surface);
  switch (old.GetSurfaceType()) {
    case inpM_ElementFaceIdSurfaceType:
      inpM_ReportError(
          "Nodes can be added only to node based surfaces. The instance surface: instance name = %1$s, surface name "
          "= %2$s, is an element based surface.",
          instance, surface);
    case inpM_AnalyticalSurfaceType:
      inpM_ReportError(
          "Nodes can be added only to node based surfaces. The instance surface: instance name = %1$s, surface name "
          "= %2$s, is an analytical rigid surface.",
          instance, surface);
    default:
      break;
  }
  inpM_NodeAreaList nodes = old.ConstGetNodeAreaList();
  nodes.Insert(nodeId, area);
  surfaces.InsertPartInstanceSurface(instance, surface, inpM_NodeAreaSurface(nodes));
}

void inpM_PartMap::RemoveInstanceSurfaceNode(const cow_String& instance, const cow_String& surface, int nodeId) {
  const cow_String owner = ConstGetInstanceNodeIdPair(nodeId).instance;
  if (owner != instance)
    inpM_ReportError(
        "The node %1$s belongs to the instance %2$s and cannot be removed from the node based surface, %3$s, that "
        "belongs to the instance %4$s",
        nodeId, owner, surface, instance);
  if (!surfaces.IsMemberPartInstanceSurface(instance, surface)) return;
  const inpM_PartInstanceSurface& old = surfaces.ConstGetPartInstanceSurface(instance, surface);
  switch (old.GetSurfaceType()) {
    case inpM_ElementFaceIdSurfaceType:
      inpM_ReportError(
          "Nodes can be removed only from node based surfaces. The instance surface: instance name = %1$s, surface "
          "name = %2$s, is an element based surface.",
          instance, surface);
    case inpM_AnalyticalSurfaceType:
      inpM_ReportError(
          "Nodes can be removed only from node based surfaces. The instance surface: instance name = %1$s, surface "
          "name = %2$s, is an analytical rigid surface.",
          instance, surface);
    default:
      break;
  }
  inpM_NodeAreaList nodes = old.ConstGetNodeAreaList();
  if (nodes.IsMember(nodeId)) nodes.Remove(nodeId);
  surfaces.InsertPartInstanceSurface(instance, surface, inpM_NodeAreaSurface(nodes));
}

void inpM_PartMap::ClearInstanceSurface(const cow_String& instance, const cow_String& surface) {
  if (!surfaces.IsMemberPartInstanceSurface(instance, surface)) return;
  const inpM_SurfaceTypes type = surfaces.ConstGetPartInstanceSurface(instance, surface).GetSurfaceType();
  surfaces.InsertPartInstanceSurface(instance, surface, *CreateSurface(type));
}

// ---------------------------------------------------------------------------
// Assembly surface edits

void inpM_PartMap::ReplaceAssemblySurfacePart(const cow_String& surface, const cow_String& instance,
                                              const inpM_PartInstanceSurface& part) {
  const inpM_AssemblyInstanceSurface* old = surfaces.ConstGetAssemblySurfaces().ConstFind(surface);
  if (!old) return;
  inpM_AssemblyInstanceSurface fresh;
  for (const auto& [name, other] : old->ConstGetInstanceParts().ConstGetSurfaces())
    if (name != instance) fresh.Add(name, *other);
  fresh.Add(instance, part);
  surfaces.InsertAssemblyInstanceSurface(surface, fresh);
}

void inpM_PartMap::AddAssemblySurfaceFacet(const cow_String& surface, const cow_String& face, int elementId) {
  const cow_String owner = ConstGetInstanceElementIdPair(elementId).instance;
  FaceMap faces;
  if (const inpM_PartInstanceSurface* part = AssemblyPart(surfaces, surface, owner)) {
    switch (part->GetSurfaceType()) {
      case inpM_NodeAreaSurfaceType:
        inpM_ReportError(
            "Facets can be added only to element based surfaces. The assembly surface: %s, is a node based surface.",
            surface);
      case inpM_AnalyticalSurfaceType:
        inpM_ReportError(
            "Facets can be added only to element based surfaces. The assembly surface: %s, is an analytical rigid "
            "surface.",
            surface);
      default:
        faces = part->ConstGetFaceIdElementIdsMap();
    }
  }
  AppendFacet(faces, face, elementId);
  if (surfaces.IsMemberAssemblyInstanceSurface(surface)) {
    ReplaceAssemblySurfacePart(surface, owner, inpM_ElementFaceIdSurface(faces));
    return;
  }
  inpM_AssemblyInstanceSurface fresh;
  fresh.Add(owner, inpM_ElementFaceIdSurface(faces));
  surfaces.InsertAssemblyInstanceSurface(surface, fresh);
}

void inpM_PartMap::RemoveAssemblySurfaceFacet(const cow_String& surface, const cow_String& face, int elementId) {
  const cow_String owner = ConstGetInstanceElementIdPair(elementId).instance;
  const inpM_PartInstanceSurface* part = AssemblyPart(surfaces, surface, owner);
  if (!part) return;
  switch (part->GetSurfaceType()) {
    case inpM_NodeAreaSurfaceType:
      inpM_ReportError(
          "Facets can be removed only from element based surfaces. The assembly surface: %s, is a node based "
          "surface.",
          surface);
    case inpM_AnalyticalSurfaceType:
      inpM_ReportError(
          "Facets can be removed only from element based surfaces. The assembly surface: %s, is an analytical rigid "
          "surface.",
          surface);
    default:
      break;
  }
  FaceMap faces = part->ConstGetFaceIdElementIdsMap();
  if (!RemoveFacet(faces, face, elementId)) return;
  ReplaceAssemblySurfacePart(surface, owner, inpM_ElementFaceIdSurface(faces));
}

// A node edit on an element based part reports, in the words of its
// neighbours, that the assembly surface is an element based surface.
void inpM_PartMap::AddAssemblySurfaceNode(const cow_String& surface, int nodeId, double area) {
  const cow_String owner = ConstGetInstanceNodeIdPair(nodeId).instance;
  inpM_NodeAreaSurface part = OneNode(nodeId, area);
  if (!surfaces.IsMemberAssemblyInstanceSurface(surface)) {
    inpM_AssemblyInstanceSurface fresh;
    fresh.Add(owner, part);
    surfaces.InsertAssemblyInstanceSurface(surface, fresh);
    return;
  }
  if (const inpM_PartInstanceSurface* old = AssemblyPart(surfaces, surface, owner)) {
    switch (old->GetSurfaceType()) {
      case inpM_AnalyticalSurfaceType:
        inpM_ReportError(
            "Nodes can be added only to node based surfaces. The assembly surface: %s, is an analytical rigid "
            "surface.",
            surface);
      case inpM_ElementFaceIdSurfaceType:
        inpM_ReportError(
            "Nodes can be added only to node based surfaces. The assembly surface: %s, is an element based surface.",
            surface);
      default:
        part.Add(*old);
    }
  }
  ReplaceAssemblySurfacePart(surface, owner, part);
}

void inpM_PartMap::RemoveAssemblySurfaceNode(const cow_String& surface, int nodeId) {
  const cow_String owner = ConstGetInstanceNodeIdPair(nodeId).instance;
  const inpM_PartInstanceSurface* part = AssemblyPart(surfaces, surface, owner);
  if (!part) return;
  switch (part->GetSurfaceType()) {
    case inpM_AnalyticalSurfaceType:
      inpM_ReportError(
          "Nodes can be removed only from node based surfaces. The assembly surface: %s, is an analytical rigid "
          "surface.",
          surface);
    case inpM_ElementFaceIdSurfaceType:
      inpM_ReportError(
          "Nodes can be removed only from node based surfaces. The assembly surface: %s, is an element based "
          "surface.",
          surface);
    default:
      break;
  }
  inpM_NodeAreaList nodes = part->ConstGetNodeAreaList();
  if (nodes.IsMember(nodeId)) nodes.Remove(nodeId);
  ReplaceAssemblySurfacePart(surface, owner, inpM_NodeAreaSurface(nodes));
}

void inpM_PartMap::ClearAssemblySurface(const cow_String& surface) {
  if (surfaces.IsMemberAssemblyInstanceSurface(surface))
    surfaces.InsertAssemblyInstanceSurface(surface, inpM_AssemblyInstanceSurface());
}

// ---------------------------------------------------------------------------
// Spans. Callers ask for the list only of a name that exists; for one that
// does not, the list is empty, in line with the count's 0.

namespace {

cow_List<cow_String> SpannedBySet(const inpM_SetMap& sets, const cow_String& set) {
  const inpM_SetHandle* found = sets.ConstGetSets().ConstFind(set);
  return found ? (*found)->ConstGetInstanceIdsMap().Keys() : cow_List<cow_String>();
}

int NumberSpannedBySet(const inpM_SetMap& sets, const cow_String& set) {
  const inpM_SetHandle* found = sets.ConstGetSets().ConstFind(set);
  return found ? (*found)->ConstGetInstanceIdsMap().Size() : 0;
}

}  // namespace

int inpM_PartMap::NumberInstancesSpannedByAssemblyElset(const cow_String& set) const {
  return NumberSpannedBySet(elementSets, set);
}

int inpM_PartMap::NumberInstancesSpannedByAssemblyNset(const cow_String& set) const {
  return NumberSpannedBySet(nodeSets, set);
}

int inpM_PartMap::NumberInstancesSpannedByAssemblySurface(const cow_String& surface) const {
  const inpM_AssemblyInstanceSurface* found = surfaces.ConstGetAssemblySurfaces().ConstFind(surface);
  return found ? found->ConstGetInstanceParts().Size() : 0;
}

cow_List<cow_String> inpM_PartMap::InstancesSpannedByAssemblyElset(const cow_String& set) const {
  return SpannedBySet(elementSets, set);
}

cow_List<cow_String> inpM_PartMap::InstancesSpannedByAssemblyNset(const cow_String& set) const {
  return SpannedBySet(nodeSets, set);
}

cow_List<cow_String> inpM_PartMap::InstancesSpannedByAssemblySurface(const cow_String& surface) const {
  const inpM_AssemblyInstanceSurface* found = surfaces.ConstGetAssemblySurfaces().ConstFind(surface);
  return found ? found->ConstGetInstanceParts().Names() : cow_List<cow_String>();
}
