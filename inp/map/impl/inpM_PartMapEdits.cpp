// inpM_PartMap: name resolution, set insertion, surface edits and spans.
#include "inpM_PartMap.h"
#include "inpM_PartMapEditing.h"

#include "inpM_GlobalIndex.h"

#include <cctype>
#include <string_view>

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

// The message texts of one surface edit, so that adding and removing share
// their checks: the id belongs to another instance, the surface is of the
// other kind (`otherKind`) or an analytical rigid one, for an instance
// surface and for an assembly surface.
struct SurfaceEdit {
  const char* foreignId;
  inpM_SurfaceTypes otherKind;
  const char* instanceOtherKind;
  const char* instanceAnalytical;
  const char* assemblyOtherKind;
  const char* assemblyAnalytical;
};

constexpr SurfaceEdit kAddFacet{
    "The element %1$s belongs to the instance %2$s and cannot be assigned to the surface, %3$s, that belongs to the "
    "instance %4$s",
    inpM_NodeAreaSurfaceType,
    "Facets can be added only to element based surfaces. The instance surface: instance name = %1$s, surface name = "
    "%2$s, is a node based surface.",
    "Facets can be added only to element based surfaces. The instance surface: instance name = %1$s, surface name = "
    "%2$s, is an analytical rigid surface.",
    "Facets can be added only to element based surfaces. The assembly surface: %s, is a node based surface.",
    "Facets can be added only to element based surfaces. The assembly surface: %s, is an analytical rigid surface."};

constexpr SurfaceEdit kRemoveFacet{
    "The element %1$s belongs to the instance %2$s and cannot be removed from the surface, %3$s, that belongs to the "
    "instance %4$s",
    inpM_NodeAreaSurfaceType,
    "Facets can be removed only from element based surfaces. The instance surface: instance name = %1$s, surface "
    "name = %2$s, is a node based surface.",
    "Facets can be removed only from element based surfaces. The instance surface: instance name = %1$s, surface "
    "name = %2$s, is an analytical rigid surface.",
    "Facets can be removed only from element based surfaces. The assembly surface: %s, is a node based surface.",
    "Facets can be removed only from element based surfaces. The assembly surface: %s, is an analytical rigid "
    "surface."};

// A node edit on an element based part reports, in the words of its
// neighbours, that the surface is an element based surface.
constexpr SurfaceEdit kAddNode{
    "The node %1$s belongs to the instance %2$s and cannot be assigned to the node based surface, %3$s, that belongs "
    "to the instance %4$s",
    inpM_ElementFaceIdSurfaceType,
    "Nodes can be added only to node based surfaces. The instance surface: instance name = %1$s, surface name = "
    "%2$s, is an element based surface.",
    "Nodes can be added only to node based surfaces. The instance surface: instance name = %1$s, surface name = "
    "%2$s, is an analytical rigid surface.",
    "Nodes can be added only to node based surfaces. The assembly surface: %s, is an element based surface.",
    "Nodes can be added only to node based surfaces. The assembly surface: %s, is an analytical rigid surface."};

constexpr SurfaceEdit kRemoveNode{
    "The node %1$s belongs to the instance %2$s and cannot be removed from the node based surface, %3$s, that "
    "belongs to the instance %4$s",
    inpM_ElementFaceIdSurfaceType,
    "Nodes can be removed only from node based surfaces. The instance surface: instance name = %1$s, surface name = "
    "%2$s, is an element based surface.",
    "Nodes can be removed only from node based surfaces. The instance surface: instance name = %1$s, surface name = "
    "%2$s, is an analytical rigid surface.",
    "Nodes can be removed only from node based surfaces. The assembly surface: %s, is an element based surface.",
    "Nodes can be removed only from node based surfaces. The assembly surface: %s, is an analytical rigid surface."};

// Refuses a surface part of the kind the edit does not take.
template <class... A>
void RefuseOtherKind(const inpM_PartInstanceSurface& part, const SurfaceEdit& edit, const char* otherKind,
                     const char* analytical, const A&... values) {
  const inpM_SurfaceTypes type = part.GetSurfaceType();
  if (type == edit.otherKind) inpM_ReportError(otherKind, values...);
  if (type == inpM_AnalyticalSurfaceType) inpM_ReportError(analytical, values...);
}

// The instance surface an edit of `id` (owned by `owner`) works on, once the
// id is known to belong to the instance and the surface to be of the edit's
// kind; null when the instance has no such surface.
const inpM_PartInstanceSurface* InstanceSurfaceToEdit(const inpM_SurfaceMap& surfaces, const SurfaceEdit& edit,
                                                      const cow_String& instance, const cow_String& surface, int id,
                                                      const cow_String& owner) {
  if (owner != instance) inpM_ReportError(edit.foreignId, id, owner, surface, instance);
  if (!surfaces.IsMemberPartInstanceSurface(instance, surface)) return nullptr;
  const inpM_PartInstanceSurface& old = surfaces.ConstGetPartInstanceSurface(instance, surface);
  RefuseOtherKind(old, edit, edit.instanceOtherKind, edit.instanceAnalytical, instance, surface);
  return &old;
}

// The instance's part of an assembly surface an edit works on, once it is
// known to be of the edit's kind; null when there is none.
const inpM_PartInstanceSurface* AssemblyPartToEdit(const inpM_SurfaceMap& surfaces, const SurfaceEdit& edit,
                                                   const cow_String& surface, const cow_String& instance) {
  const inpM_PartInstanceSurface* part = AssemblyPart(surfaces, surface, instance);
  if (part) RefuseOtherKind(*part, edit, edit.assemblyOtherKind, edit.assemblyAnalytical, surface);
  return part;
}

}  // namespace

// ---------------------------------------------------------------------------
// Adding ids to a set. The set is rebuilt as "a new set of the old one's type
// flag and order, the old one added, then the ids". Adding the ids to the
// old set in place gives that same set (type flag, class, levels, the
// components of an unsorted set) at a cost independent of the set's size;
// only an order change (sorted to unsorted) builds the new set.

bool inpM_AddToSet(inpM_SetMap& sets, const cow_String& set, const cow_String* nested, const cow_String* instance,
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
    return false;
  }
  inpM_SetHandle fresh = CreateSet(old ? (*old)->GetTypeFlag() : typeFlag, unsorted || (old && (*old)->IsUnsorted()));
  if (old) fresh.Get().Add(**old);
  add(fresh.Get());
  if (nested)
    sets.InsertNestedSet(*nested, set, *fresh);
  else
    sets.InsertSet(set, fresh);
  return !old;
}

void inpM_PartMap::InsertInstanceNodeSet(const cow_String& set, const cow_String& instance, const int* ids, int count,
                                         inpM_SetTypeFlag typeFlag, bool unsorted) {
  for (int i = 0; i < count; ++i)
    if (!IsInstanceNodeMember(instance, ids[i]))
      inpM_ReportError(
          "Node %1$d does not belong to instance '%2$s' and cannot be assigned to instance node set '%3$s'", ids[i],
          instance, set);
  AddToSet(false, set, &instance, nullptr, ListOf(ids, count), typeFlag, unsorted);
}

void inpM_PartMap::InsertInstanceElementSet(const cow_String& set, const cow_String& instance, const int* ids,
                                            int count, inpM_SetTypeFlag typeFlag) {
  for (int i = 0; i < count; ++i)
    if (!IsInstanceElementMember(instance, ids[i]))
      inpM_ReportError(
          "Element %1$d does not belong to instance '%2$s' and cannot be assigned to instance element set '%3$s'",
          ids[i], instance, set);
  AddToSet(true, set, &instance, nullptr, ListOf(ids, count), typeFlag, false);
}

void inpM_PartMap::InsertAssemblyNodeSet(const cow_String& set, const cow_String& instance, const int* ids, int count,
                                         inpM_SetTypeFlag typeFlag) {
  AddToSet(false, set, nullptr, &instance, ListOf(ids, count), typeFlag, false);
}

void inpM_PartMap::InsertAssemblyElementSet(const cow_String& set, const cow_String& instance, const int* ids,
                                            int count, inpM_SetTypeFlag typeFlag) {
  AddToSet(true, set, nullptr, &instance, ListOf(ids, count), typeFlag, false);
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

// The resolvers compare names with quotes removed and case ignored: two
// names are equal so when their keys are.
// One pass over the name, as RemoveQuotes and then ToUpper would give it.
// Only lower-case ASCII letters and bytes past ASCII can change in any
// locale, so only they go through toupper: the solver's names are upper
// case already.
std::string inpM_NameKey(const cow_String& name) {
  std::string_view v = name.view();
  while (!v.empty() && v.front() == '"') v.remove_prefix(1);
  while (!v.empty() && v.back() == '"') v.remove_suffix(1);
  std::string key(v);
  for (char& c : key) {
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || u >= 0x80) c = static_cast<char>(std::toupper(u));
  }
  return key;
}

void inpM_SetNameIndex::Build(const inpM_SetMap& sets, bool flattenedNames) {
  Clear();
  for (const auto& [stored, set] : sets.ConstGetSets()) assembly.emplace(inpM_NameKey(stored), stored);
  for (const auto& [instance, map] : sets.ConstGetNestedSetMaps()) {
    const cow_String prefix =
        flattenedNames ? inpM_Utils::RemoveQuotes(instance) + cow_String("_") : cow_String();
    for (const auto& [stored, set] : map->ConstGetSets())
      instances.emplace((prefix + inpM_Utils::RemoveQuotes(stored)).ToUpper().str(), std::make_pair(instance, stored));
  }
  built = true;
}

const inpM_SetNameIndex* inpM_PartMap::SetNamesOf(const inpM_SetMap& sets) const {
  if (&sets != &nodeSets && &sets != &elementSets) return nullptr;
  inpM_SetNameIndex& names = index->setNames[&sets == &elementSets];
  if (!names.built) names.Build(sets, flattenedNames);
  return &names;
}

void inpM_PartMap::SetNamesChanged(bool elements) { index.Get().setNames[elements].Clear(); }

cow_String inpM_PartMap::GetAssemblySetName(const inpM_SetMap& sets, const cow_String& name) const {
  const cow_String wanted = StripAssemblyPrefix(name);
  if (const inpM_SetNameIndex* names = SetNamesOf(sets)) {
    const auto found = names->assembly.find(inpM_NameKey(wanted));
    return found == names->assembly.end() ? cow_String() : found->second;
  }
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
  if (const inpM_SetNameIndex* names = SetNamesOf(sets)) {
    const auto found = names->instances.find(inpM_NameKey(wanted));
    if (found == names->instances.end()) return {};
    return {found->second.first, found->second.second};
  }
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
  const inpM_PartInstanceSurface* old = InstanceSurfaceToEdit(surfaces, kAddFacet, instance, surface, elementId, owner);
  if (!old) return;
  FaceMap faces = old->ConstGetFaceIdElementIdsMap();
  AppendFacet(faces, face, elementId);
  surfaces.InsertPartInstanceSurface(instance, surface, inpM_ElementFaceIdSurface(faces));
}

void inpM_PartMap::RemoveInstanceSurfaceFacet(const cow_String& instance, const cow_String& surface,
                                              const cow_String& face, int elementId) {
  const cow_String owner = ConstGetInstanceElementIdPair(elementId).instance;
  const inpM_PartInstanceSurface* old =
      InstanceSurfaceToEdit(surfaces, kRemoveFacet, instance, surface, elementId, owner);
  if (!old) return;
  FaceMap faces = old->ConstGetFaceIdElementIdsMap();
  if (!RemoveFacet(faces, face, elementId)) return;
  surfaces.InsertPartInstanceSurface(instance, surface, inpM_ElementFaceIdSurface(faces));
}

void inpM_PartMap::AddInstanceSurfaceNode(const cow_String& instance, const cow_String& surface, int nodeId,
                                          double area) {
  const cow_String owner = ConstGetInstanceNodeIdPair(nodeId).instance;
  const inpM_PartInstanceSurface* old = InstanceSurfaceToEdit(surfaces, kAddNode, instance, surface, nodeId, owner);
  if (!old) {
    surfaces.InsertPartInstanceSurface(instance, surface, OneNode(nodeId, area));
    return;
  }
  inpM_NodeAreaList nodes = old->ConstGetNodeAreaList();
  nodes.Insert(nodeId, area);
  surfaces.InsertPartInstanceSurface(instance, surface, inpM_NodeAreaSurface(nodes));
}

void inpM_PartMap::RemoveInstanceSurfaceNode(const cow_String& instance, const cow_String& surface, int nodeId) {
  const cow_String owner = ConstGetInstanceNodeIdPair(nodeId).instance;
  const inpM_PartInstanceSurface* old = InstanceSurfaceToEdit(surfaces, kRemoveNode, instance, surface, nodeId, owner);
  if (!old) return;
  inpM_NodeAreaList nodes = old->ConstGetNodeAreaList();
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
  if (const inpM_PartInstanceSurface* part = AssemblyPartToEdit(surfaces, kAddFacet, surface, owner))
    faces = part->ConstGetFaceIdElementIdsMap();
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
  const inpM_PartInstanceSurface* part = AssemblyPartToEdit(surfaces, kRemoveFacet, surface, owner);
  if (!part) return;
  FaceMap faces = part->ConstGetFaceIdElementIdsMap();
  if (!RemoveFacet(faces, face, elementId)) return;
  ReplaceAssemblySurfacePart(surface, owner, inpM_ElementFaceIdSurface(faces));
}

void inpM_PartMap::AddAssemblySurfaceNode(const cow_String& surface, int nodeId, double area) {
  const cow_String owner = ConstGetInstanceNodeIdPair(nodeId).instance;
  inpM_NodeAreaSurface part = OneNode(nodeId, area);
  if (!surfaces.IsMemberAssemblyInstanceSurface(surface)) {
    inpM_AssemblyInstanceSurface fresh;
    fresh.Add(owner, part);
    surfaces.InsertAssemblyInstanceSurface(surface, fresh);
    return;
  }
  if (const inpM_PartInstanceSurface* old = AssemblyPartToEdit(surfaces, kAddNode, surface, owner)) part.Add(*old);
  ReplaceAssemblySurfacePart(surface, owner, part);
}

void inpM_PartMap::RemoveAssemblySurfaceNode(const cow_String& surface, int nodeId) {
  const cow_String owner = ConstGetInstanceNodeIdPair(nodeId).instance;
  const inpM_PartInstanceSurface* part = AssemblyPartToEdit(surfaces, kRemoveNode, surface, owner);
  if (!part) return;
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
