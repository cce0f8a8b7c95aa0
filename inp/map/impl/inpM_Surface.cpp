#include "inpM_Surface.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "inpM_IdMap.h"
#include "inpM_Messages.h"
#include "inpM_RecordReader.h"
#include "inpM_Translate.h"
#include "nex.h"

namespace {

using FaceMap = inpM_ElementFaceIdSurface::FaceMap;
using AreaTable = omi_IntTable<double>;

// The readers name the class whose record was damaged. An id equal to the
// set's empty marker counts as damage too.
inpM_ReadMessages ReadingFailed(const char* className) { return {"%s reading failed.", className}; }

// The internal flag that starts every record, with the rest of its line.
bool ReadFlag(inpM_RecordReader& r) {
  const bool flag = r.Integer() != 0;
  r.EndLine();
  return flag;
}

void PrintLine(aio_ostream& out, int value) { out.print_int(value).put('\n'); }

// One line of ids, each followed by a blank. A face may hold millions of
// ids: they are written in bulk, which spares the stream's per-value checks.
void PrintIdsLine(aio_ostream& out, const inpM_OmiSet& ids) {
  aio_int_writer line(out, ' ', ' ');
  ids.ForEach([&line](int id) { line.Add(id); });
  line.Flush();
  out.put('\n');
}

// The ids of a set, ascending, in `list`; the list's storage is reused from
// one set to the next.
const cow_1DArrayList<int>& IdsOf(const inpM_OmiSet& set, cow_1DArrayList<int>& list) {
  std::vector<int>& ids = list.GetVector();
  ids.resize(static_cast<size_t>(set.Size()));
  if (const omi_Set* bits = set.ConstGetBitVector())
    bits->ToArray(ids.data());
  else if (!ids.empty())
    ids[0] = set.SingleValue();
  return list;
}

}  // namespace

// ---------------------------------------------------------------------------
// inpM_NodeAreaList

inpM_NodeAreaList::inpM_NodeAreaList() = default;
inpM_NodeAreaList::inpM_NodeAreaList(const inpM_NodeAreaList& other) = default;
inpM_NodeAreaList& inpM_NodeAreaList::operator=(const inpM_NodeAreaList& other) = default;
inpM_NodeAreaList::~inpM_NodeAreaList() = default;

bool inpM_NodeAreaList::Insert(const int& node, const double& area) {
  if (!table.HasValue()) {
    // Node 0 is the empty marker of the single entry and cannot be held
    // there; it goes to the table like a second entry, so that it is kept
    // as any other node id is.
    if (singleNode == 0 && node != 0) {
      singleNode = node;
      singleArea = area;
      return true;
    }
    table.Set(new AreaTable());
    if (singleNode != 0) table.Get().Insert(singleNode, singleArea);
    singleNode = 0;
    singleArea = 0.0;
  }
  return table.Get().Insert(node, area);
}

void inpM_NodeAreaList::InsertAll(const int* nodes, const double* areas, int n) {
  int done = 0;
  while (done < n && !table.HasValue()) {
    Insert(nodes[done], areas[done]);
    ++done;
  }
  if (done < n) table.Get().InsertAscending(nodes + done, areas + done, n - done);
}

bool inpM_NodeAreaList::Remove(const int& node) {
  if (table.HasValue()) return table.ConstGet().Find(node) != nullptr && table.Get().Remove(node);
  if (singleNode == 0 || singleNode != node) return false;
  singleNode = 0;
  singleArea = 0.0;
  return true;
}

// A node that is absent is reported as it is without a table, "No nodal area
// for node label %1$s", rather than answered with an arbitrary area.
const double& inpM_NodeAreaList::ConstGet(const int& node) const {
  if (table.HasValue()) {
    if (const double* area = table.ConstGet().Find(node)) return *area;
  } else if (node == singleNode && node != 0) {
    return singleArea;
  }
  inpM_ReportError("No nodal area for node label %1$s", node);
}

double& inpM_NodeAreaList::Get(const int& node) {
  if (table.HasValue()) {
    if (table.ConstGet().Find(node)) return *table.Get().Find(node);
  } else if (node == singleNode && node != 0) {
    return singleArea;
  }
  inpM_ReportError("No nodal area for node label %1$s", node);
}

bool inpM_NodeAreaList::IsMember(const int& node) const {
  if (table.HasValue()) return table.ConstGet().Find(node) != nullptr;
  return node != 0 && node == singleNode;
}

int inpM_NodeAreaList::Size() const {
  if (table.HasValue()) return table.ConstGet().Size();
  return singleNode != 0 ? 1 : 0;
}

void inpM_NodeAreaList::Clear() {
  table.Clear();
  singleNode = 0;
  singleArea = 0.0;
}

// ---------------------------------------------------------------------------
// inpM_NodeAreaListIT

inpM_NodeAreaListIT::inpM_NodeAreaListIT(const inpM_NodeAreaList& list)
    : singleNode(list.singleNode),
      singleArea(list.singleArea),
      tableIt(list.table.HasValue() ? new omi_IntTableIterator<double>(list.table.ConstGet()) : nullptr) {}

inpM_NodeAreaListIT::~inpM_NodeAreaListIT() { delete tableIt; }

void inpM_NodeAreaListIT::First() {
  if (tableIt)
    tableIt->First();
  else
    step = 0;
}

void inpM_NodeAreaListIT::Next() {
  if (tableIt)
    tableIt->Next();
  else
    ++step;
}

bool inpM_NodeAreaListIT::IsDone() const { return tableIt ? tableIt->IsDone() : step >= 1 || singleNode == 0; }

int inpM_NodeAreaListIT::CurrentKey() const { return tableIt ? tableIt->CurrentKey() : singleNode; }

const double& inpM_NodeAreaListIT::CurrentValue() const { return tableIt ? tableIt->CurrentValue() : singleArea; }

// ---------------------------------------------------------------------------
// inpM_PartInstanceSurface

inpM_PartInstanceSurface::~inpM_PartInstanceSurface() = default;

// ---------------------------------------------------------------------------
// inpM_ElementFaceIdSurface

inpM_ElementFaceIdSurface::inpM_ElementFaceIdSurface() = default;

inpM_ElementFaceIdSurface::inpM_ElementFaceIdSurface(const FaceMap& faceMap) {
  for (const auto& [faceId, ids] : faceMap) faces.Insert(faceId, inpM_OmiSet(ids));
}

inpM_ElementFaceIdSurface::inpM_ElementFaceIdSurface(aio_istream& in) {
  inpM_RecordReader r(in, ReadingFailed("inpM_ElementFaceIdSurface"));
  SetInternal(ReadFlag(r));
  const int faceCount = r.CountLine();
  for (int f = 0; f < faceCount; ++f) {
    const cow_String faceId = r.Name();
    // The ids are gathered first and given to the set in one insertion; the
    // set is the same as when they are inserted one by one.
    std::vector<int> ids = r.Ids(r.Count());
    if (std::find(ids.begin(), ids.end(), inpM_OmiSet::kEmptyMarker) != ids.end()) r.Fail();
    r.EndLine();
    faces.Insert(faceId, inpM_OmiSet(cow_1DArrayList<int>(std::move(ids))));
  }
}

inpM_ElementFaceIdSurface::inpM_ElementFaceIdSurface(const inpM_ElementFaceIdSurface& other) = default;
inpM_ElementFaceIdSurface& inpM_ElementFaceIdSurface::operator=(const inpM_ElementFaceIdSurface& other) = default;
inpM_ElementFaceIdSurface::~inpM_ElementFaceIdSurface() = default;

void inpM_ElementFaceIdSurface::Add(const cow_String& faceId, const cow_1DArrayList<int>& ids) {
  if (inpM_OmiSet* set = faces.Find(faceId))
    *set += inpM_OmiSet(ids);
  else
    faces.Insert(faceId, inpM_OmiSet(ids));
}

void inpM_ElementFaceIdSurface::Add(const cow_String& faceId, int id) {
  if (inpM_OmiSet* set = faces.Find(faceId)) {
    inpM_OmiSet one;
    one.Insert(id);
    *set += one;
  } else {
    inpM_OmiSet one;
    one.Insert(id);
    faces.Insert(faceId, std::move(one));
  }
}

void inpM_ElementFaceIdSurface::Difference(const cow_String& faceId, const cow_1DArrayList<int>& ids) {
  if (inpM_OmiSet* set = faces.Find(faceId)) set->Remove(ids);
}

void inpM_ElementFaceIdSurface::Intersection(const cow_String& faceId, const cow_1DArrayList<int>& ids) {
  if (inpM_OmiSet* set = faces.Find(faceId)) *set &= inpM_OmiSet(ids);
}

void inpM_ElementFaceIdSurface::Add(const FaceMap& faceMap) {
  for (const auto& [faceId, ids] : faceMap) Add(faceId, ids);
}

void inpM_ElementFaceIdSurface::Difference(const FaceMap& faceMap) {
  for (const auto& [faceId, ids] : faceMap) Difference(faceId, ids);
}

void inpM_ElementFaceIdSurface::Intersection(const FaceMap& faceMap) {
  for (const cow_String& faceId : faces.Keys())
    if (!faceMap.IsMember(faceId)) faces.Remove(faceId);
  for (const auto& [faceId, ids] : faceMap) Intersection(faceId, ids);
}

inpM_SurfaceTypes inpM_ElementFaceIdSurface::GetSurfaceType() const { return inpM_ElementFaceIdSurfaceType; }

inpM_PartInstanceSurface* inpM_ElementFaceIdSurface::Copy() const { return new inpM_ElementFaceIdSurface(*this); }

// Between two element-face surfaces the sets are combined as they are held,
// whole bit vectors at a time, instead of through the id lists of the other's
// face map; the result is the same. The other's faces are held through a
// shared copy, so that combining a surface with itself reads stable sets.
void inpM_ElementFaceIdSurface::Add(const inpM_PartInstanceSurface& other) {
  const auto* faceSurface = dynamic_cast<const inpM_ElementFaceIdSurface*>(&other);
  if (!faceSurface) {
    Add(other.ConstGetFaceIdElementIdsMap());
    return;
  }
  const cow_Map<cow_String, inpM_OmiSet> source = faceSurface->faces;
  for (const auto& [faceId, ids] : source) {
    if (inpM_OmiSet* set = faces.Find(faceId))
      *set += ids;
    else
      faces.Insert(faceId, ids);
  }
}

void inpM_ElementFaceIdSurface::Difference(const inpM_PartInstanceSurface& other) {
  Difference(other.ConstGetFaceIdElementIdsMap());
}

void inpM_ElementFaceIdSurface::Intersection(const inpM_PartInstanceSurface& other) {
  const auto* faceSurface = dynamic_cast<const inpM_ElementFaceIdSurface*>(&other);
  if (!faceSurface) {
    Intersection(other.ConstGetFaceIdElementIdsMap());
    return;
  }
  const cow_Map<cow_String, inpM_OmiSet> source = faceSurface->faces;
  for (const cow_String& faceId : faces.Keys())
    if (!source.IsMember(faceId)) faces.Remove(faceId);
  for (const auto& [faceId, ids] : source)
    if (inpM_OmiSet* set = faces.Find(faceId)) *set &= ids;
}

void inpM_ElementFaceIdSurface::Print(aio_ostream& out) const {
  PrintLine(out, IsInternal() ? 1 : 0);
  PrintLine(out, faces.Size());
  for (const auto& [faceId, ids] : faces) {
    out << faceId;
    out.put('\n');
    const int count = ids.Size();
    PrintLine(out, count);
    if (count > 0) PrintIdsLine(out, ids);
  }
  out.flush();
}

void inpM_ElementFaceIdSurface::Renumber(const inpM_IdMap& map, bool inverse) {
  // Inverse: all lists go through one reversed table, built once.
  const omi_IntTable<int> reversed = inverse && !faces.IsEmpty() ? inpM_ReversedIds(map.ConstGetIds()) : omi_IntTable<int>();
  const omi_IntTable<int>& forward = inverse ? reversed : map.ConstGetIds();
  cow_Map<cow_String, inpM_OmiSet> renumbered;
  for (const auto& [faceId, ids] : faces) {
    try {
      bool dropped = false;
      renumbered.Insert(faceId, inpM_TranslatedIds(ids, forward, false, dropped));
    } catch (const nex_TextException& e) {
      inpM_ReportError(
          "There has been an attempt to construct a surface based on non-existing elements. Face ID %1$s has "
          "been used in conjunction with element id(s):%2$s",
          faceId, e.UserReport());
    }
  }
  faces = std::move(renumbered);
}

void inpM_ElementFaceIdSurface::Cleanup(const inpM_IdMap& map) {
  cow_Map<cow_String, inpM_OmiSet> cleaned;
  cow_1DArrayList<int> list;
  for (const auto& [faceId, ids] : faces) cleaned.Insert(faceId, inpM_OmiSet(map.Cleanup(IdsOf(ids, list))));
  faces = std::move(cleaned);
}

FaceMap inpM_ElementFaceIdSurface::ConstGetFaceIdElementIdsMap() const {
  FaceMap view;
  for (const auto& [faceId, ids] : faces) view.Insert(faceId, ids.ConstGetArrayCounterpart());
  return view;
}

inpM_NodeAreaList inpM_ElementFaceIdSurface::ConstGetNodeAreaList() const { return {}; }

// ---------------------------------------------------------------------------
// inpM_NodeAreaSurface

inpM_NodeAreaSurface::inpM_NodeAreaSurface() = default;

inpM_NodeAreaSurface::inpM_NodeAreaSurface(const inpM_NodeAreaList& list) : nodes(list) {}

inpM_NodeAreaSurface::inpM_NodeAreaSurface(aio_istream& in) {
  inpM_RecordReader r(in, ReadingFailed("inpM_NodeAreaSurface"));
  SetInternal(ReadFlag(r));
  const int count = r.Count();
  for (int i = 0; i < count; ++i) {
    const int node = r.Integer();
    const double area = r.Double();
    nodes.Insert(node, area);
  }
  r.EndLine();
}

inpM_NodeAreaSurface::inpM_NodeAreaSurface(const inpM_NodeAreaSurface& other) = default;
inpM_NodeAreaSurface& inpM_NodeAreaSurface::operator=(const inpM_NodeAreaSurface& other) = default;
inpM_NodeAreaSurface::~inpM_NodeAreaSurface() = default;

void inpM_NodeAreaSurface::Add(const cow_1DArrayList<int>& nodeIds, double area) {
  for (int node : nodeIds) nodes.Insert(node, area);
}

// The combinations read the argument through a shared copy, so that a list
// that is this surface's own stays stable while this one changes.
void inpM_NodeAreaSurface::Add(const inpM_NodeAreaList& list) {
  const inpM_NodeAreaList source = list;
  source.ForEach([this](int node, double area) { nodes.Insert(node, area); });
}

void inpM_NodeAreaSurface::Difference(const inpM_NodeAreaList& list) {
  const inpM_NodeAreaList source = list;
  source.ForEach([this](int node, double) {
    if (nodes.IsMember(node)) nodes.Remove(node);
  });
}

void inpM_NodeAreaSurface::Intersection(const inpM_NodeAreaList& list) {
  inpM_NodeAreaList kept;
  list.ForEach([this, &kept](int node, double area) {
    if (nodes.IsMember(node)) kept.Insert(node, area);
  });
  nodes = kept;
}

inpM_SurfaceTypes inpM_NodeAreaSurface::GetSurfaceType() const { return inpM_NodeAreaSurfaceType; }

inpM_PartInstanceSurface* inpM_NodeAreaSurface::Copy() const { return new inpM_NodeAreaSurface(*this); }

void inpM_NodeAreaSurface::Add(const inpM_PartInstanceSurface& other) { Add(other.ConstGetNodeAreaList()); }

void inpM_NodeAreaSurface::Difference(const inpM_PartInstanceSurface& other) {
  Difference(other.ConstGetNodeAreaList());
}

void inpM_NodeAreaSurface::Intersection(const inpM_PartInstanceSurface& other) {
  Intersection(other.ConstGetNodeAreaList());
}

void inpM_NodeAreaSurface::Print(aio_ostream& out) const {
  PrintLine(out, IsInternal() ? 1 : 0);
  PrintLine(out, nodes.Size());
  nodes.ForEach([&out](int node, double area) {
    PrintLine(out, node);
    out.print_double(area).put('\n');
  });
  out.flush();
}

// Each node is translated as CleanupAndRenumber translates an id: to its
// global (or, inverse, local) id, or dropped when the map has none; the id
// map never raises there, so no node can fail with a message. The
// translation is done here, in the same pass that collects the nodes, rather
// than through a list handed to CleanupAndRenumber: that second pass and its
// list would double the cost of renumbering the node ids. The translated
// nodes go into the new list in the order of the old one, a block at a time
// where they ascend.
void inpM_NodeAreaSurface::Renumber(const inpM_IdMap& map, bool inverse) {
  // Inverse: all lists go through one reversed table, built once.
  const omi_IntTable<int> reversed = inverse && !nodes.IsEmpty() ? inpM_ReversedIds(map.ConstGetIds()) : omi_IntTable<int>();
  const omi_IntTable<int>& ids = inverse ? reversed : map.ConstGetIds();
  // Sized for every node and filled without per-node capacity checks.
  const size_t size = static_cast<size_t>(nodes.Size());
  const std::unique_ptr<int[]> translated(new int[size]);
  const std::unique_ptr<double[]> areas(new double[size]);
  int n = 0;
  nodes.ForEach([&translated, &areas, &ids, &n](int node, double area) {
    if (const int* id = ids.Find(node)) {
      translated[static_cast<size_t>(n)] = *id;
      areas[static_cast<size_t>(n++)] = area;
    }
  });
  inpM_NodeAreaList renumbered;
  renumbered.InsertAll(translated.get(), areas.get(), n);
  nodes = renumbered;
}

void inpM_NodeAreaSurface::Cleanup(const inpM_IdMap& map) {
  inpM_NodeAreaList cleaned;
  nodes.ForEach([&cleaned, &map](int node, double area) {
    if (map.Find(node)) cleaned.Insert(node, area);
  });
  nodes = cleaned;
}

cow_Map<cow_String, cow_1DArrayList<int>> inpM_NodeAreaSurface::ConstGetFaceIdElementIdsMap() const { return {}; }

inpM_NodeAreaList inpM_NodeAreaSurface::ConstGetNodeAreaList() const { return nodes; }

// ---------------------------------------------------------------------------
// inpM_AnalyticalSurface

inpM_AnalyticalSurface::inpM_AnalyticalSurface() = default;

inpM_AnalyticalSurface::inpM_AnalyticalSurface(aio_istream& in) {
  inpM_RecordReader r(in, ReadingFailed("inpM_AnalyticalSurface"));
  SetInternal(ReadFlag(r));
}

inpM_AnalyticalSurface::inpM_AnalyticalSurface(const inpM_AnalyticalSurface& other) = default;
inpM_AnalyticalSurface& inpM_AnalyticalSurface::operator=(const inpM_AnalyticalSurface& other) = default;
inpM_AnalyticalSurface::~inpM_AnalyticalSurface() = default;

inpM_SurfaceTypes inpM_AnalyticalSurface::GetSurfaceType() const { return inpM_AnalyticalSurfaceType; }

inpM_PartInstanceSurface* inpM_AnalyticalSurface::Copy() const { return new inpM_AnalyticalSurface(*this); }

void inpM_AnalyticalSurface::Add(const inpM_PartInstanceSurface&) {}
void inpM_AnalyticalSurface::Difference(const inpM_PartInstanceSurface&) {}
void inpM_AnalyticalSurface::Intersection(const inpM_PartInstanceSurface&) {}

void inpM_AnalyticalSurface::Print(aio_ostream& out) const {
  out.print_int(IsInternal() ? 1 : 0).put('\n');
  out.flush();
}

void inpM_AnalyticalSurface::Renumber(const inpM_IdMap&, bool) {}
void inpM_AnalyticalSurface::Cleanup(const inpM_IdMap&) {}

cow_Map<cow_String, cow_1DArrayList<int>> inpM_AnalyticalSurface::ConstGetFaceIdElementIdsMap() const { return {}; }

inpM_NodeAreaList inpM_AnalyticalSurface::ConstGetNodeAreaList() const { return {}; }

// ---------------------------------------------------------------------------
// Factory

inpM_PartInstanceSurfaceCOW CreateSurface(inpM_SurfaceTypes type) {
  switch (type) {
    case inpM_ElementFaceIdSurfaceType:
      return inpM_PartInstanceSurfaceCOW(new inpM_ElementFaceIdSurface());
    case inpM_NodeAreaSurfaceType:
      return inpM_PartInstanceSurfaceCOW(new inpM_NodeAreaSurface());
    case inpM_AnalyticalSurfaceType:
      return inpM_PartInstanceSurfaceCOW(new inpM_AnalyticalSurface());
  }
  return inpM_PartInstanceSurfaceCOW();
}

// A kind code other than 0, 1 and 2 comes from a damaged part file: it is
// reported, and no surface is built nor any handle returned.
inpM_PartInstanceSurfaceCOW CreateSurface(inpM_SurfaceTypes type, aio_istream& in) {
  switch (type) {
    case inpM_ElementFaceIdSurfaceType:
      return inpM_PartInstanceSurfaceCOW(new inpM_ElementFaceIdSurface(in));
    case inpM_NodeAreaSurfaceType:
      return inpM_PartInstanceSurfaceCOW(new inpM_NodeAreaSurface(in));
    case inpM_AnalyticalSurfaceType:
      return inpM_PartInstanceSurfaceCOW(new inpM_AnalyticalSurface(in));
  }
  inpM_ReportError("Unknown surface type %s", static_cast<int>(type));
}
