// Surfaces of a model at both levels.
//
// - inpM_PartInstanceSurfaceMap: the named surfaces of one instance.
// - inpM_AssemblyInstanceSurface: one assembly surface, made of one instance
//   surface per spanned instance plus an assembly-level node-area part.
// - inpM_SurfaceMap: all surfaces of a model; the surface member of the part
//   map and its record in the part file.
// All are values: copies share their contents until one of them changes, and
// every insertion stores a copy of the surface given. Names are compared
// byte-wise and held as given.
#ifndef INPM_SURFACEMAP_H
#define INPM_SURFACEMAP_H

#include "cow.h"
#include "inpM_Surface.h"
#include "kvl_api.h"
#include "mem.h"

class inpM_IdMap;

// Surface name -> instance surface.
class KVL_API inpM_PartInstanceSurfaceMap {
 public:
  using Storage = cow_Map<cow_String, inpM_PartInstanceSurfaceCOW>;

  // Files a copy of the surface (its Copy) under the name, replacing any.
  void Insert(const cow_String& name, const inpM_PartInstanceSurface& surface);
  // Files the handle itself (shared, no copy) under the name, replacing any.
  void Insert(const cow_String& name, const inpM_PartInstanceSurfaceCOW& surface);
  bool IsMember(const cow_String& name) const { return surfaces.IsMember(name); }
  // The surface of a present name (raises nex_AssertException otherwise).
  const inpM_PartInstanceSurface& ConstGet(const cow_String& name) const;
  // Writable surface of a present name, detached from other copies.
  inpM_PartInstanceSurface& Get(const cow_String& name);
  bool Remove(const cow_String& name) { return surfaces.Remove(name); }
  int Size() const { return surfaces.Size(); }
  bool IsEmpty() const { return surfaces.IsEmpty(); }
  // The surface names in ascending byte-wise order.
  cow_List<cow_String> Names() const { return surfaces.Keys(); }
  const Storage& ConstGetSurfaces() const { return surfaces; }

 private:
  Storage surfaces;
};

// Visits the surfaces of one map in ascending byte-wise name order. Works on
// its own (shared) copy of the map.
class KVL_API inpM_PartInstanceSurfaceMapSIT {
 public:
  explicit inpM_PartInstanceSurfaceMapSIT(const inpM_PartInstanceSurfaceMap& map) : it(map.ConstGetSurfaces()) {}
  void First() { it.First(); }
  void Next() { it.Next(); }
  bool IsDone() const { return it.IsDone(); }
  const cow_String& CurrentKey() const { return it.CurrentKey(); }
  const inpM_PartInstanceSurface& CurrentValue() const { return it.CurrentValue().ConstGet(); }

 private:
  cow_ConstMapSortedIt<cow_String, inpM_PartInstanceSurfaceCOW> it;
};

// One assembly surface.
class KVL_API inpM_AssemblyInstanceSurface {
 public:
  using FaceMap = cow_Map<cow_String, cow_1DArrayList<int>>;

  inpM_AssemblyInstanceSurface();
  inpM_AssemblyInstanceSurface(const inpM_AssemblyInstanceSurface& other);
  inpM_AssemblyInstanceSurface& operator=(const inpM_AssemblyInstanceSurface& other);
  explicit inpM_AssemblyInstanceSurface(aio_istream& in);
  ~inpM_AssemblyInstanceSurface();

  // Instance level: combine the instance's part with the surface. Add files a
  // copy of the surface when the instance has no part; Difference and
  // Intersection then do nothing.
  void Add(const cow_String& instance, const inpM_PartInstanceSurface& surface);
  void Difference(const cow_String& instance, const inpM_PartInstanceSurface& surface);
  void Intersection(const cow_String& instance, const inpM_PartInstanceSurface& surface);
  void Add(const cow_String& instance, const FaceMap& faceMap);
  void Add(const cow_String& instance, const inpM_NodeAreaList& nodes);

  // The assembly-level node part.
  void Add(const inpM_NodeAreaSurface& surface);
  void Difference(const inpM_NodeAreaSurface& surface);
  void Intersection(const inpM_NodeAreaSurface& surface);

  // Whole assembly surfaces: instance parts in ascending instance order, then
  // the node part.
  void Add(const inpM_AssemblyInstanceSurface& other);
  void Difference(const inpM_AssemblyInstanceSurface& other);
  void Intersection(const inpM_AssemblyInstanceSurface& other);

  // Unions over the instance parts (the node part is not included).
  FaceMap ConstGetFaceIdElementIdsMap() const;
  inpM_NodeAreaList ConstGetNodeAreaList() const;
  // At least two instance parts, the first (ascending name) node based.
  bool IsCrossInstanceNodeBasedSurface() const;

  void Print(aio_ostream& out) const;
  // Each instance part through its instance's map of the element or node id
  // map (node ids for node-area parts); the node part is left alone.
  void Renumber(const inpM_IdMap& elementMap, const inpM_IdMap& nodeMap, bool inverse);
  void Cleanup(const inpM_IdMap& elementMap, const inpM_IdMap& nodeMap);

  bool IsInternal() const { return internal; }
  void SetInternal(bool value) { internal = value; }

  const inpM_NodeAreaSurface& ConstGetNodePart() const { return nodePart; }
  // Instance name -> the part of the surface on that instance.
  const inpM_PartInstanceSurfaceMap& ConstGetInstanceParts() const { return instanceParts; }

 private:
  void RenumberParts(const inpM_IdMap& elementMap, const inpM_IdMap& nodeMap, bool inverse, bool cleanOnly);

  inpM_NodeAreaSurface nodePart;
  inpM_PartInstanceSurfaceMap instanceParts;
  bool internal = false;
};

// All surfaces of a model.
class KVL_API inpM_SurfaceMap {
 public:
  using InstanceSurfaces = cow_Map<cow_String, inpM_PartInstanceSurfaceMap>;
  using AssemblySurfaces = cow_Map<cow_String, inpM_AssemblyInstanceSurface>;

  inpM_SurfaceMap();
  inpM_SurfaceMap(const inpM_SurfaceMap& other);
  inpM_SurfaceMap& operator=(const inpM_SurfaceMap& other);
  explicit inpM_SurfaceMap(aio_istream& in);
  ~inpM_SurfaceMap();

  void Print(aio_ostream& out) const;

  // The surface of a present key (raises nex_AssertException otherwise;
  // callers test membership first).
  const inpM_PartInstanceSurface& ConstGetPartInstanceSurface(const cow_String& instance, const cow_String& name) const;
  const inpM_AssemblyInstanceSurface& ConstGetAssemblyInstanceSurface(const cow_String& name) const;
  bool IsMemberPartInstanceSurface(const cow_String& instance, const cow_String& name) const;
  bool IsMemberAssemblyInstanceSurface(const cow_String& name) const;

  // Insertions store a copy and replace a surface of the same key.
  void InsertPartInstanceSurface(const cow_String& instance, const cow_String& name,
                                 const inpM_PartInstanceSurface& surface);
  void InsertAssemblyInstanceSurface(const cow_String& name, const inpM_AssemblyInstanceSurface& surface);
  void InsertPartInstanceSurfaceMap(const cow_String& instance, const inpM_PartInstanceSurfaceMap& map);
  // Merging replaces; it never combines the old and the new surface.
  void MergePartInstanceSurface(const cow_String& instance, const cow_String& name,
                                const inpM_PartInstanceSurface& surface);
  void MergeAssemblyInstanceSurface(const cow_String& name, const inpM_AssemblyInstanceSurface& surface);
  void Merge(const inpM_SurfaceMap& other);

  void Renumber(const inpM_IdMap& elementMap, const inpM_IdMap& nodeMap, bool inverse);
  void Cleanup(const inpM_IdMap& elementMap, const inpM_IdMap& nodeMap);
  void CleanupAndRenumber(const inpM_IdMap& elementMap, const inpM_IdMap& nodeMap, bool inverse, bool cleanOnly);
  // Files the old instance's surfaces under the new name; assembly surfaces
  // keep the instance names of their parts.
  void ChangeInstanceName(const cow_String& oldName, const cow_String& newName);

  // Instance name -> its named surfaces; surface name -> assembly surface.
  const InstanceSurfaces& ConstGetInstanceSurfaces() const { return instanceSurfaces; }
  const AssemblySurfaces& ConstGetAssemblySurfaces() const { return assemblySurfaces; }

 private:
  InstanceSurfaces instanceSurfaces;
  AssemblySurfaces assemblySurfaces;
};

#endif
