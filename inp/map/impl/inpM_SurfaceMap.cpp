#include "inpM_SurfaceMap.h"

#include "inpM_IdMap.h"
#include "inpM_Messages.h"
#include "inpM_RecordReader.h"
#include "inpM_Utils.h"
#include "nex.h"

namespace {

const char kSource[] = "inp/map/impl/inpM_SurfaceMap";

// As the instance surface readers, the readers name the damaged record's
// class.
inpM_ReadMessages ReadingFailed(const char* className) { return {"%s reading failed.", className}; }

void PrintLine(aio_ostream& out, int value) { out.print_int(value).put('\n'); }

void PrintName(aio_ostream& out, const cow_String& name) {
  out << inpM_Utils::RemoveQuotes(name);
  out.put('\n');
}

// A name and the instance surface that follows it: kind code, then record.
void PrintPartSurface(aio_ostream& out, const cow_String& name, const inpM_PartInstanceSurface& surface) {
  PrintName(out, name);
  PrintLine(out, surface.GetSurfaceType());
  surface.Print(out);
}

// `count` names, each with the kind code and record of an instance surface.
void ReadPartSurfaces(inpM_RecordReader& r, int count, inpM_PartInstanceSurfaceMap& into) {
  for (int i = 0; i < count; ++i) {
    const cow_String name = r.Name();
    const int kind = r.Integer();
    into.Insert(name, CreateSurface(static_cast<inpM_SurfaceTypes>(kind), r.Stream()));
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// inpM_PartInstanceSurfaceMap

void inpM_PartInstanceSurfaceMap::Insert(const cow_String& name, const inpM_PartInstanceSurface& surface) {
  surfaces.Insert(name, inpM_PartInstanceSurfaceCOW(surface.Copy()));
}

void inpM_PartInstanceSurfaceMap::Insert(const cow_String& name, const inpM_PartInstanceSurfaceCOW& surface) {
  surfaces.Insert(name, surface);
}

const inpM_PartInstanceSurface& inpM_PartInstanceSurfaceMap::ConstGet(const cow_String& name) const {
  const inpM_PartInstanceSurfaceCOW* surface = surfaces.ConstFind(name);
  NEX_ASSERT_AT(surface != nullptr, kSource);
  return surface->ConstGet();
}

inpM_PartInstanceSurface& inpM_PartInstanceSurfaceMap::Get(const cow_String& name) {
  inpM_PartInstanceSurfaceCOW* surface = surfaces.Find(name);
  NEX_ASSERT_AT(surface != nullptr, kSource);
  return surface->Get();
}

// ---------------------------------------------------------------------------
// inpM_AssemblyInstanceSurface

inpM_AssemblyInstanceSurface::inpM_AssemblyInstanceSurface() = default;
inpM_AssemblyInstanceSurface::inpM_AssemblyInstanceSurface(const inpM_AssemblyInstanceSurface& other) = default;
inpM_AssemblyInstanceSurface& inpM_AssemblyInstanceSurface::operator=(const inpM_AssemblyInstanceSurface& other) =
    default;
inpM_AssemblyInstanceSurface::~inpM_AssemblyInstanceSurface() = default;

// An instance part with a kind code other than 0, 1 and 2 stops the reading
// with "Unknown surface type %s" (CreateSurface): the part file is damaged,
// and a surface without that part would silently be another surface.
inpM_AssemblyInstanceSurface::inpM_AssemblyInstanceSurface(aio_istream& in) {
  inpM_RecordReader r(in, ReadingFailed("inpM_AssemblyInstanceSurface"));
  internal = r.Integer() != 0;
  nodePart = inpM_NodeAreaSurface(in);
  ReadPartSurfaces(r, r.CountLine(), instanceParts);
}

void inpM_AssemblyInstanceSurface::Add(const cow_String& instance, const inpM_PartInstanceSurface& surface) {
  if (instanceParts.IsMember(instance))
    instanceParts.Get(instance).Add(surface);
  else
    instanceParts.Insert(instance, surface);
}

void inpM_AssemblyInstanceSurface::Difference(const cow_String& instance, const inpM_PartInstanceSurface& surface) {
  if (instanceParts.IsMember(instance)) instanceParts.Get(instance).Difference(surface);
}

void inpM_AssemblyInstanceSurface::Intersection(const cow_String& instance, const inpM_PartInstanceSurface& surface) {
  if (instanceParts.IsMember(instance)) instanceParts.Get(instance).Intersection(surface);
}

void inpM_AssemblyInstanceSurface::Add(const cow_String& instance, const FaceMap& faceMap) {
  Add(instance, inpM_ElementFaceIdSurface(faceMap));
}

void inpM_AssemblyInstanceSurface::Add(const cow_String& instance, const inpM_NodeAreaList& nodes) {
  Add(instance, inpM_NodeAreaSurface(nodes));
}

void inpM_AssemblyInstanceSurface::Add(const inpM_NodeAreaSurface& surface) {
  nodePart.Add(surface.ConstGetNodeAreaList());
}

void inpM_AssemblyInstanceSurface::Difference(const inpM_NodeAreaSurface& surface) {
  nodePart.Difference(surface.ConstGetNodeAreaList());
}

void inpM_AssemblyInstanceSurface::Intersection(const inpM_NodeAreaSurface& surface) {
  nodePart.Intersection(surface.ConstGetNodeAreaList());
}

// The other surface is read through a shared copy, so that combining a
// surface with itself visits stable parts.
void inpM_AssemblyInstanceSurface::Add(const inpM_AssemblyInstanceSurface& other) {
  const inpM_AssemblyInstanceSurface source = other;
  for (inpM_PartInstanceSurfaceMapSIT it(source.instanceParts); !it.IsDone(); it.Next())
    Add(it.CurrentKey(), it.CurrentValue());
  Add(source.nodePart);
}

void inpM_AssemblyInstanceSurface::Difference(const inpM_AssemblyInstanceSurface& other) {
  const inpM_AssemblyInstanceSurface source = other;
  for (inpM_PartInstanceSurfaceMapSIT it(source.instanceParts); !it.IsDone(); it.Next())
    Difference(it.CurrentKey(), it.CurrentValue());
  Difference(source.nodePart);
}

void inpM_AssemblyInstanceSurface::Intersection(const inpM_AssemblyInstanceSurface& other) {
  const inpM_AssemblyInstanceSurface source = other;
  for (const cow_String& instance : instanceParts.Names())
    if (!source.instanceParts.IsMember(instance)) instanceParts.Remove(instance);
  for (inpM_PartInstanceSurfaceMapSIT it(source.instanceParts); !it.IsDone(); it.Next())
    Intersection(it.CurrentKey(), it.CurrentValue());
  Intersection(source.nodePart);
}

inpM_AssemblyInstanceSurface::FaceMap inpM_AssemblyInstanceSurface::ConstGetFaceIdElementIdsMap() const {
  inpM_ElementFaceIdSurface all;
  for (inpM_PartInstanceSurfaceMapSIT it(instanceParts); !it.IsDone(); it.Next()) all.Add(it.CurrentValue());
  return all.ConstGetFaceIdElementIdsMap();
}

inpM_NodeAreaList inpM_AssemblyInstanceSurface::ConstGetNodeAreaList() const {
  inpM_NodeAreaSurface all;
  for (inpM_PartInstanceSurfaceMapSIT it(instanceParts); !it.IsDone(); it.Next()) all.Add(it.CurrentValue());
  return all.ConstGetNodeAreaList();
}

bool inpM_AssemblyInstanceSurface::IsCrossInstanceNodeBasedSurface() const {
  if (instanceParts.Size() < 2) return false;
  const inpM_PartInstanceSurfaceMapSIT first(instanceParts);
  return first.CurrentValue().GetSurfaceType() == inpM_NodeAreaSurfaceType;
}

void inpM_AssemblyInstanceSurface::Print(aio_ostream& out) const {
  PrintLine(out, internal ? 1 : 0);
  nodePart.Print(out);
  PrintLine(out, instanceParts.Size());
  for (inpM_PartInstanceSurfaceMapSIT it(instanceParts); !it.IsDone(); it.Next())
    PrintPartSurface(out, it.CurrentKey(), it.CurrentValue());
  out.flush();
}

void inpM_AssemblyInstanceSurface::Renumber(const inpM_IdMap& elementMap, const inpM_IdMap& nodeMap, bool inverse) {
  RenumberParts(elementMap, nodeMap, inverse, false);
}

void inpM_AssemblyInstanceSurface::Cleanup(const inpM_IdMap& elementMap, const inpM_IdMap& nodeMap) {
  RenumberParts(elementMap, nodeMap, false, true);
}

void inpM_AssemblyInstanceSurface::RenumberParts(const inpM_IdMap& elementMap, const inpM_IdMap& nodeMap,
                                                 bool inverse, bool cleanOnly) {
  inpM_PartInstanceSurfaceMap renumbered;
  for (inpM_PartInstanceSurfaceMapSIT it(instanceParts); !it.IsDone(); it.Next()) {
    inpM_PartInstanceSurfaceCOW part(it.CurrentValue().Copy());
    const bool nodeBased = part->GetSurfaceType() == inpM_NodeAreaSurfaceType;
    const inpM_IdMap& ids = (nodeBased ? nodeMap : elementMap).ConstGet(it.CurrentKey());
    if (cleanOnly)
      part.Get().Cleanup(ids);
    else
      part.Get().Renumber(ids, inverse);
    renumbered.Insert(it.CurrentKey(), part);
  }
  instanceParts = renumbered;
}

// ---------------------------------------------------------------------------
// inpM_SurfaceMap

inpM_SurfaceMap::inpM_SurfaceMap() = default;
inpM_SurfaceMap::inpM_SurfaceMap(const inpM_SurfaceMap& other) = default;
inpM_SurfaceMap& inpM_SurfaceMap::operator=(const inpM_SurfaceMap& other) = default;
inpM_SurfaceMap::~inpM_SurfaceMap() = default;

inpM_SurfaceMap::inpM_SurfaceMap(aio_istream& in) {
  inpM_RecordReader r(in, ReadingFailed("inpM_SurfaceMap"));
  const int instanceCount = r.CountLine();
  for (int i = 0; i < instanceCount; ++i) {
    const cow_String instance = r.Name();
    inpM_PartInstanceSurfaceMap surfaces;
    ReadPartSurfaces(r, r.CountLine(), surfaces);
    instanceSurfaces.Insert(instance, surfaces);
  }
  const int assemblyCount = r.CountLine();
  for (int i = 0; i < assemblyCount; ++i) {
    const cow_String name = r.Name();
    assemblySurfaces.Insert(name, inpM_AssemblyInstanceSurface(in));
  }
}

void inpM_SurfaceMap::Print(aio_ostream& out) const {
  PrintLine(out, instanceSurfaces.Size());
  for (cow_ConstMapSortedIt it(instanceSurfaces); !it.IsDone(); it.Next()) {
    PrintName(out, it.CurrentKey());
    out.print_int(it.CurrentValue().Size()).put('\n').flush();
    for (inpM_PartInstanceSurfaceMapSIT s(it.CurrentValue()); !s.IsDone(); s.Next())
      PrintPartSurface(out, s.CurrentKey(), s.CurrentValue());
  }
  out.flush();
  PrintLine(out, assemblySurfaces.Size());
  for (cow_ConstMapSortedIt it(assemblySurfaces); !it.IsDone(); it.Next()) {
    PrintName(out, it.CurrentKey());
    it.CurrentValue().Print(out);
  }
  out.flush();
}

const inpM_PartInstanceSurface& inpM_SurfaceMap::ConstGetPartInstanceSurface(const cow_String& instance,
                                                                             const cow_String& name) const {
  const inpM_PartInstanceSurfaceMap* surfaces = instanceSurfaces.ConstFind(instance);
  NEX_ASSERT_AT(surfaces != nullptr, kSource);
  return surfaces->ConstGet(name);
}

const inpM_AssemblyInstanceSurface& inpM_SurfaceMap::ConstGetAssemblyInstanceSurface(const cow_String& name) const {
  const inpM_AssemblyInstanceSurface* surface = assemblySurfaces.ConstFind(name);
  NEX_ASSERT_AT(surface != nullptr, kSource);
  return *surface;
}

bool inpM_SurfaceMap::IsMemberPartInstanceSurface(const cow_String& instance, const cow_String& name) const {
  const inpM_PartInstanceSurfaceMap* surfaces = instanceSurfaces.ConstFind(instance);
  return surfaces != nullptr && surfaces->IsMember(name);
}

bool inpM_SurfaceMap::IsMemberAssemblyInstanceSurface(const cow_String& name) const {
  return assemblySurfaces.IsMember(name);
}

void inpM_SurfaceMap::InsertPartInstanceSurface(const cow_String& instance, const cow_String& name,
                                                const inpM_PartInstanceSurface& surface) {
  instanceSurfaces.GetOrInsert(instance).Insert(name, surface);
}

void inpM_SurfaceMap::InsertAssemblyInstanceSurface(const cow_String& name,
                                                    const inpM_AssemblyInstanceSurface& surface) {
  assemblySurfaces.Insert(name, surface);
}

void inpM_SurfaceMap::InsertPartInstanceSurfaceMap(const cow_String& instance, const inpM_PartInstanceSurfaceMap& map) {
  instanceSurfaces.Insert(instance, map);
}

void inpM_SurfaceMap::MergePartInstanceSurface(const cow_String& instance, const cow_String& name,
                                               const inpM_PartInstanceSurface& surface) {
  if (inpM_PartInstanceSurfaceMap* surfaces = instanceSurfaces.Find(instance)) {
    surfaces->Remove(name);
    surfaces->Insert(name, surface);
  } else {
    InsertPartInstanceSurface(instance, name, surface);
  }
}

void inpM_SurfaceMap::MergeAssemblyInstanceSurface(const cow_String& name,
                                                   const inpM_AssemblyInstanceSurface& surface) {
  assemblySurfaces.Remove(name);
  assemblySurfaces.Insert(name, surface);
}

// The other map is visited through shared copies of its members, so merging
// a map into itself reads stable entries.
void inpM_SurfaceMap::Merge(const inpM_SurfaceMap& other) {
  for (cow_ConstMapSortedIt it(other.instanceSurfaces); !it.IsDone(); it.Next())
    for (inpM_PartInstanceSurfaceMapSIT s(it.CurrentValue()); !s.IsDone(); s.Next())
      MergePartInstanceSurface(it.CurrentKey(), s.CurrentKey(), s.CurrentValue());
  for (cow_ConstMapSortedIt it(other.assemblySurfaces); !it.IsDone(); it.Next())
    MergeAssemblyInstanceSurface(it.CurrentKey(), it.CurrentValue());
}

void inpM_SurfaceMap::Renumber(const inpM_IdMap& elementMap, const inpM_IdMap& nodeMap, bool inverse) {
  CleanupAndRenumber(elementMap, nodeMap, inverse, false);
}

void inpM_SurfaceMap::Cleanup(const inpM_IdMap& elementMap, const inpM_IdMap& nodeMap) {
  CleanupAndRenumber(elementMap, nodeMap, false, true);
}

// New maps are built from copies and replace both old ones only at the end,
// so an error of an id map (which does not return) leaves this map as it was.
void inpM_SurfaceMap::CleanupAndRenumber(const inpM_IdMap& elementMap, const inpM_IdMap& nodeMap, bool inverse,
                                         bool cleanOnly) {
  InstanceSurfaces renumberedInstances;
  for (cow_ConstMapSortedIt it(instanceSurfaces); !it.IsDone(); it.Next()) {
    const inpM_IdMap& elementIds = elementMap.ConstGet(it.CurrentKey());
    const inpM_IdMap& nodeIds = nodeMap.ConstGet(it.CurrentKey());
    inpM_PartInstanceSurfaceMap surfaces;
    for (inpM_PartInstanceSurfaceMapSIT s(it.CurrentValue()); !s.IsDone(); s.Next()) {
      inpM_PartInstanceSurfaceCOW surface(s.CurrentValue().Copy());
      const bool nodeBased = surface->GetSurfaceType() == inpM_NodeAreaSurfaceType;
      const inpM_IdMap& ids = nodeBased ? nodeIds : elementIds;
      if (cleanOnly)
        surface.Get().Cleanup(ids);
      else
        surface.Get().Renumber(ids, inverse);
      surfaces.Insert(s.CurrentKey(), surface);
    }
    renumberedInstances.Insert(it.CurrentKey(), surfaces);
  }

  AssemblySurfaces renumberedAssembly;
  for (cow_ConstMapSortedIt it(assemblySurfaces); !it.IsDone(); it.Next()) {
    inpM_AssemblyInstanceSurface surface = it.CurrentValue();
    if (cleanOnly)
      surface.Cleanup(elementMap, nodeMap);
    else
      surface.Renumber(elementMap, nodeMap, inverse);
    renumberedAssembly.Insert(it.CurrentKey(), surface);
  }
  instanceSurfaces = renumberedInstances;
  assemblySurfaces = renumberedAssembly;
}

void inpM_SurfaceMap::ChangeInstanceName(const cow_String& oldName, const cow_String& newName) {
  if (oldName == newName) return;
  const inpM_PartInstanceSurfaceMap* surfaces = instanceSurfaces.ConstFind(oldName);
  if (!surfaces) return;
  const inpM_PartInstanceSurfaceMap moved = *surfaces;
  instanceSurfaces.Insert(newName, moved);
  instanceSurfaces.Remove(oldName);
}
