// Surfaces of one part instance.
//
// An instance surface is one of three kinds: element faces grouped by face id
// (inpM_ElementFaceIdSurface), nodes with an area each (inpM_NodeAreaSurface)
// or an analytical rigid surface without ids (inpM_AnalyticalSurface). They
// share the abstract inpM_PartInstanceSurface, so that surface collections
// hold them by value through a copy-on-write handle whose copies are made by
// the virtual Copy, and combine, renumber, clean, print and read them without
// knowing the kind. Combining works on the other surface's view of this
// surface's own kind, so a surface of another kind acts as an empty one.
//
// inpM_NodeAreaList is the node -> area table of node-area surfaces: one entry
// inline, a table from the second entry on.
#ifndef INPM_SURFACE_H
#define INPM_SURFACE_H

#include "cow.h"
#include "inpM_OmiSet.h"
#include "kvl_api.h"
#include "mem.h"
#include "omni.h"

class inpM_IdMap;

// The kind of an instance surface; the value is also the kind code of the
// part file.
enum inpM_SurfaceTypes : int {
  inpM_ElementFaceIdSurfaceType = 0,
  inpM_NodeAreaSurfaceType = 1,
  inpM_AnalyticalSurfaceType = 2,
};

// Node id -> area. Copies share their table until one of them changes.
class KVL_API inpM_NodeAreaList {
 public:
  inpM_NodeAreaList();
  inpM_NodeAreaList(const inpM_NodeAreaList& other);
  inpM_NodeAreaList& operator=(const inpM_NodeAreaList& other);
  ~inpM_NodeAreaList();

  // Adds (node, area); with a table, the table's answer (a node that is
  // already there keeps its area and the answer is false).
  bool Insert(const int& node, const double& area);
  bool Remove(const int& node);
  // The area of a node that is present; "No nodal area for node label %1$s"
  // at level 0 otherwise.
  const double& ConstGet(const int& node) const;
  double& Get(const int& node);
  bool IsMember(const int& node) const;
  int Size() const;
  bool IsEmpty() const { return Size() == 0; }
  void Clear();
  // Whether the entries live in the table (from the second insertion on).
  bool HasTable() const { return table.HasValue(); }
  // f(int node, const double& area) for every entry, in the order of
  // inpM_NodeAreaListIT; a lighter walk than the iterator for bulk work.
  template <class F>
  void ForEach(F&& f) const {
    if (table.HasValue())
      table.ConstGet().ForEach(f);
    else if (singleNode != 0)
      f(singleNode, singleArea);
  }

 private:
  friend class inpM_NodeAreaListIT;
  friend class inpM_NodeAreaSurface;
  // As many Insert calls, in order; nodes that ascend go in a block at a time.
  void InsertAll(const int* nodes, const double* areas, int n);

  int singleNode = 0;  // 0: no single entry
  double singleArea = 0.0;
  cow_COW<omi_IntTable<double>, cow_Direct<omi_IntTable<double>>> table;
};

// Visits the entries of one list: with a table in ascending node order, else
// the single entry once. The list must not change during the visit.
class KVL_API inpM_NodeAreaListIT {
 public:
  explicit inpM_NodeAreaListIT(const inpM_NodeAreaList& list);
  ~inpM_NodeAreaListIT();
  inpM_NodeAreaListIT(const inpM_NodeAreaListIT&) = delete;
  inpM_NodeAreaListIT& operator=(const inpM_NodeAreaListIT&) = delete;

  void First();
  void Next();
  bool IsDone() const;
  int CurrentKey() const;
  const double& CurrentValue() const;

 private:
  int step = 0;
  int singleNode;
  double singleArea;
  omi_IntTableIterator<double>* tableIt = nullptr;
};

// The abstract instance surface. Every concrete kind overrides all eleven
// virtual slots, in this order.
class KVL_API inpM_PartInstanceSurface {
 public:
  virtual ~inpM_PartInstanceSurface();
  virtual inpM_SurfaceTypes GetSurfaceType() const = 0;
  // A new heap copy of the same class; the caller owns it.
  virtual inpM_PartInstanceSurface* Copy() const = 0;
  virtual void Add(const inpM_PartInstanceSurface& other) = 0;
  virtual void Difference(const inpM_PartInstanceSurface& other) = 0;
  virtual void Intersection(const inpM_PartInstanceSurface& other) = 0;
  virtual void Print(aio_ostream& out) const = 0;
  virtual void Renumber(const inpM_IdMap& map, bool inverse) = 0;
  virtual void Cleanup(const inpM_IdMap& map) = 0;
  // Face id -> element ids; empty for the kinds without faces.
  virtual cow_Map<cow_String, cow_1DArrayList<int>> ConstGetFaceIdElementIdsMap() const = 0;
  // Node -> area; empty for the kinds without nodes.
  virtual inpM_NodeAreaList ConstGetNodeAreaList() const = 0;

  // Made by the system rather than named by the user.
  bool IsInternal() const { return internal; }
  void SetInternal(bool value) { internal = value; }

 protected:
  inpM_PartInstanceSurface() = default;
  inpM_PartInstanceSurface(const inpM_PartInstanceSurface&) = default;
  inpM_PartInstanceSurface& operator=(const inpM_PartInstanceSurface&) = default;

 private:
  bool internal = false;
};

// How collections hold instance surfaces: copies share the surface, and a
// writer gets a private copy of the same class through Copy.
using inpM_PartInstanceSurfaceCOW = cow_COW<inpM_PartInstanceSurface, cow_Virtual<inpM_PartInstanceSurface>>;

// Faces of elements: face id (an opaque label such as "S1") -> element ids.
class KVL_API inpM_ElementFaceIdSurface : public inpM_PartInstanceSurface {
 public:
  using FaceMap = cow_Map<cow_String, cow_1DArrayList<int>>;

  inpM_ElementFaceIdSurface();
  explicit inpM_ElementFaceIdSurface(const FaceMap& faceMap);
  explicit inpM_ElementFaceIdSurface(aio_istream& in);
  inpM_ElementFaceIdSurface(const inpM_ElementFaceIdSurface& other);
  inpM_ElementFaceIdSurface& operator=(const inpM_ElementFaceIdSurface& other);
  ~inpM_ElementFaceIdSurface() override;

  // Union into one face, inserting the face when it is absent.
  void Add(const cow_String& faceId, const cow_1DArrayList<int>& ids);
  void Add(const cow_String& faceId, int id);
  // Removal from one face; the face stays even when it becomes empty. An
  // absent face is left alone.
  void Difference(const cow_String& faceId, const cow_1DArrayList<int>& ids);
  // Restriction of one face; an absent face is left alone.
  void Intersection(const cow_String& faceId, const cow_1DArrayList<int>& ids);
  void Add(const FaceMap& faceMap);
  void Difference(const FaceMap& faceMap);
  // Keeps only the faces of the argument, each restricted to its ids.
  void Intersection(const FaceMap& faceMap);

  inpM_SurfaceTypes GetSurfaceType() const override;
  inpM_PartInstanceSurface* Copy() const override;
  void Add(const inpM_PartInstanceSurface& other) override;
  void Difference(const inpM_PartInstanceSurface& other) override;
  void Intersection(const inpM_PartInstanceSurface& other) override;
  void Print(aio_ostream& out) const override;
  void Renumber(const inpM_IdMap& map, bool inverse) override;
  void Cleanup(const inpM_IdMap& map) override;
  FaceMap ConstGetFaceIdElementIdsMap() const override;
  inpM_NodeAreaList ConstGetNodeAreaList() const override;

  // The faces as held.
  const cow_Map<cow_String, inpM_OmiSet>& ConstGetFaces() const { return faces; }

 private:
  cow_Map<cow_String, inpM_OmiSet> faces;
};

// Nodes, each with the area that it carries in the surface.
class KVL_API inpM_NodeAreaSurface : public inpM_PartInstanceSurface {
 public:
  inpM_NodeAreaSurface();
  // Shares the list; the internal flag is false.
  explicit inpM_NodeAreaSurface(const inpM_NodeAreaList& list);
  explicit inpM_NodeAreaSurface(aio_istream& in);
  inpM_NodeAreaSurface(const inpM_NodeAreaSurface& other);
  inpM_NodeAreaSurface& operator=(const inpM_NodeAreaSurface& other);
  ~inpM_NodeAreaSurface() override;

  // Inserts every node of the list, in list order, with the same area.
  void Add(const cow_1DArrayList<int>& nodeIds, double area);
  void Add(const inpM_NodeAreaList& list);
  void Difference(const inpM_NodeAreaList& list);
  // Keeps the nodes that both hold, with the argument's areas.
  void Intersection(const inpM_NodeAreaList& list);

  inpM_SurfaceTypes GetSurfaceType() const override;
  inpM_PartInstanceSurface* Copy() const override;
  void Add(const inpM_PartInstanceSurface& other) override;
  void Difference(const inpM_PartInstanceSurface& other) override;
  void Intersection(const inpM_PartInstanceSurface& other) override;
  void Print(aio_ostream& out) const override;
  void Renumber(const inpM_IdMap& map, bool inverse) override;
  void Cleanup(const inpM_IdMap& map) override;
  cow_Map<cow_String, cow_1DArrayList<int>> ConstGetFaceIdElementIdsMap() const override;
  inpM_NodeAreaList ConstGetNodeAreaList() const override;

  // The list as held.
  const inpM_NodeAreaList& ConstGetNodes() const { return nodes; }

 private:
  inpM_NodeAreaList nodes;
};

// An analytical rigid surface: no ids; every combining, renumbering and
// cleaning operation leaves it unchanged.
class KVL_API inpM_AnalyticalSurface : public inpM_PartInstanceSurface {
 public:
  inpM_AnalyticalSurface();
  explicit inpM_AnalyticalSurface(aio_istream& in);
  inpM_AnalyticalSurface(const inpM_AnalyticalSurface& other);
  inpM_AnalyticalSurface& operator=(const inpM_AnalyticalSurface& other);
  ~inpM_AnalyticalSurface() override;

  inpM_SurfaceTypes GetSurfaceType() const override;
  inpM_PartInstanceSurface* Copy() const override;
  void Add(const inpM_PartInstanceSurface& other) override;
  void Difference(const inpM_PartInstanceSurface& other) override;
  void Intersection(const inpM_PartInstanceSurface& other) override;
  void Print(aio_ostream& out) const override;
  void Renumber(const inpM_IdMap& map, bool inverse) override;
  void Cleanup(const inpM_IdMap& map) override;
  cow_Map<cow_String, cow_1DArrayList<int>> ConstGetFaceIdElementIdsMap() const override;
  inpM_NodeAreaList ConstGetNodeAreaList() const override;
};

// An empty surface of a kind; any other code gives an empty handle.
KVL_API inpM_PartInstanceSurfaceCOW CreateSurface(inpM_SurfaceTypes type);
// A surface of a kind read from its stored form. Any other code reports
// "Unknown surface type %s" at level 0 and builds nothing.
KVL_API inpM_PartInstanceSurfaceCOW CreateSurface(inpM_SurfaceTypes type, aio_istream& in);

#endif
