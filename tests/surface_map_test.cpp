#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "inpM_IdMap.h"
#include "inpM_SurfaceMap.h"
#include "mem.h"
#include "nex.h"
#include "wip.h"
#include "testing.h"

namespace {

using FaceMap = inpM_ElementFaceIdSurface::FaceMap;
using Ids = std::vector<int>;
using Entries = std::vector<std::pair<int, double>>;
using FaceView = std::map<std::string, Ids>;

FaceMap Faces(std::initializer_list<std::pair<const char*, Ids>> entries) {
  FaceMap map;
  for (const auto& [face, ids] : entries) map.Insert(face, cow_1DArrayList<int>(ids));
  return map;
}

FaceView View(const FaceMap& map) {
  FaceView view;
  for (const auto& [face, ids] : map) view[face.str()] = ids.ConstVector();
  return view;
}

FaceView View(const inpM_PartInstanceSurface& surface) { return View(surface.ConstGetFaceIdElementIdsMap()); }

Entries Nodes(const inpM_NodeAreaList& list) {
  Entries entries;
  for (inpM_NodeAreaListIT it(list); !it.IsDone(); it.Next()) entries.emplace_back(it.CurrentKey(), it.CurrentValue());
  return entries;
}

inpM_NodeAreaList Areas(const Entries& entries) {
  inpM_NodeAreaList list;
  for (const auto& [node, area] : entries) list.Insert(node, area);
  return list;
}

inpM_ElementFaceIdSurface FaceSurface(std::initializer_list<std::pair<const char*, Ids>> entries) {
  return inpM_ElementFaceIdSurface(Faces(entries));
}

inpM_NodeAreaSurface NodeSurface(const Entries& entries) { return inpM_NodeAreaSurface(Areas(entries)); }

std::vector<std::string> Names(const inpM_PartInstanceSurfaceMap& map) {
  std::vector<std::string> names;
  for (inpM_PartInstanceSurfaceMapSIT it(map); !it.IsDone(); it.Next()) names.push_back(it.CurrentKey().str());
  return names;
}

template <class T>
std::string Printed(const T& value) {
  aio_ostringstream out;
  value.Print(out);
  return out.str();
}

inpM_IdMap Map(std::initializer_list<std::pair<int, int>> pairs) {
  inpM_IdMap map;
  for (const auto& [local, global] : pairs) map.Insert(local, global);
  return map;
}

// ---------------------------------------------------------------------------
// inpM_PartInstanceSurfaceMap

TEST(PartInstanceSurfaceMap, InsertFilesACopyAndReplaces) {
  inpM_PartInstanceSurfaceMap map;
  inpM_ElementFaceIdSurface surface = FaceSurface({{"S1", {1}}});
  map.Insert("top", surface);
  surface.Add("S1", 2);
  EXPECT_EQ(View(map.ConstGet("top")), (FaceView{{"S1", {1}}}));
  map.Insert("top", NodeSurface({{4, 1.0}}));
  EXPECT_EQ(map.Size(), 1);
  EXPECT_EQ(map.ConstGet("top").GetSurfaceType(), inpM_NodeAreaSurfaceType);
  EXPECT_TRUE(map.Remove("top"));
  EXPECT_FALSE(map.Remove("top"));
  EXPECT_TRUE(map.IsEmpty());
}

TEST(PartInstanceSurfaceMap, IteratesInByteOrderOverItsOwnCopy) {
  inpM_PartInstanceSurfaceMap map;
  for (const char* name : {"b", "B", "\"a\"", "A", "a"}) map.Insert(name, inpM_AnalyticalSurface());
  inpM_PartInstanceSurfaceMapSIT it(map);
  map.Remove("A");
  std::vector<std::string> visited;
  for (it.First(); !it.IsDone(); it.Next()) visited.push_back(it.CurrentKey().str());
  EXPECT_EQ(visited, (std::vector<std::string>{"\"a\"", "A", "B", "a", "b"}));
  EXPECT_EQ(Names(map), (std::vector<std::string>{"\"a\"", "B", "a", "b"}));
}

TEST(PartInstanceSurfaceMap, AbsentNameIsAnInternalError) {
  inpM_PartInstanceSurfaceMap map;
  EXPECT_THROW((void)map.ConstGet("none"), nex_AssertException);
  EXPECT_THROW((void)map.Get("none"), nex_AssertException);
}

TEST(PartInstanceSurfaceMap, CopiesChangeIndependently) {
  inpM_PartInstanceSurfaceMap a;
  a.Insert("s", FaceSurface({{"S1", {1}}}));
  inpM_PartInstanceSurfaceMap b = a;
  b.Get("s").Add(FaceSurface({{"S2", {2}}}));
  EXPECT_EQ(View(a.ConstGet("s")), (FaceView{{"S1", {1}}}));
  EXPECT_EQ(View(b.ConstGet("s")), (FaceView{{"S1", {1}}, {"S2", {2}}}));
}

// ---------------------------------------------------------------------------
// inpM_AssemblyInstanceSurface: combinations

TEST(AssemblyInstanceSurface, InstanceLevelCombinations) {
  inpM_AssemblyInstanceSurface s;
  s.Difference("I1", FaceSurface({{"S1", {1}}}));
  s.Intersection("I1", FaceSurface({{"S1", {1}}}));
  EXPECT_TRUE(s.ConstGetInstanceParts().IsEmpty());

  s.Add("I1", FaceSurface({{"S1", {1, 2}}}));
  const inpM_AssemblyInstanceSurface before = s;
  s.Add("I1", FaceSurface({{"S1", {3}}, {"S2", {4}}}));
  s.Difference("I1", FaceSurface({{"S2", {4}}}));
  EXPECT_EQ(View(s.ConstGetInstanceParts().ConstGet("I1")), (FaceView{{"S1", {1, 2, 3}}, {"S2", {}}}));
  s.Intersection("I1", FaceSurface({{"S1", {2, 3, 9}}}));
  EXPECT_EQ(View(s.ConstGetInstanceParts().ConstGet("I1")), (FaceView{{"S1", {2, 3}}}));
  EXPECT_EQ(View(before.ConstGetInstanceParts().ConstGet("I1")), (FaceView{{"S1", {1, 2}}}));

  s.Add("I2", Faces({{"S3", {5}}}));
  s.Add("I3", Areas({{7, 0.7}}));
  EXPECT_EQ(View(s.ConstGetInstanceParts().ConstGet("I2")), (FaceView{{"S3", {5}}}));
  EXPECT_EQ(Nodes(s.ConstGetInstanceParts().ConstGet("I3").ConstGetNodeAreaList()), (Entries{{7, 0.7}}));
  EXPECT_TRUE(s.ConstGetNodePart().ConstGetNodes().IsEmpty());
}

TEST(AssemblyInstanceSurface, NodePartCombinations) {
  inpM_AssemblyInstanceSurface s;
  s.Add(NodeSurface({{1, 1.0}, {2, 2.0}}));
  s.Add(NodeSurface({{3, 3.0}}));
  s.Difference(NodeSurface({{1, 0.0}}));
  EXPECT_EQ(Nodes(s.ConstGetNodePart().ConstGetNodes()), (Entries{{2, 2.0}, {3, 3.0}}));
  s.Intersection(NodeSurface({{3, 30.0}}));
  EXPECT_EQ(Nodes(s.ConstGetNodePart().ConstGetNodes()), (Entries{{3, 30.0}}));
  EXPECT_TRUE(s.ConstGetInstanceParts().IsEmpty());
  EXPECT_TRUE(s.ConstGetNodeAreaList().IsEmpty());  // the node part is not in the view
}

TEST(AssemblyInstanceSurface, WholeSurfaceCombinations) {
  inpM_AssemblyInstanceSurface a;
  a.Add("I1", FaceSurface({{"S1", {1, 2}}}));
  a.Add("I2", NodeSurface({{5, 0.5}, {6, 0.6}}));
  a.Add("I3", inpM_AnalyticalSurface());
  a.Add(NodeSurface({{1, 1.0}, {2, 2.0}}));

  inpM_AssemblyInstanceSurface b;
  b.Add("I1", FaceSurface({{"S1", {2, 3}}}));
  b.Add("I4", FaceSurface({{"S2", {8}}}));
  b.Add(NodeSurface({{2, 20.0}}));

  inpM_AssemblyInstanceSurface sum = a;
  sum.Add(b);
  EXPECT_EQ(View(sum.ConstGetInstanceParts().ConstGet("I1")), (FaceView{{"S1", {1, 2, 3}}}));
  EXPECT_EQ(View(sum.ConstGetInstanceParts().ConstGet("I4")), (FaceView{{"S2", {8}}}));
  EXPECT_EQ(Nodes(sum.ConstGetNodePart().ConstGetNodes()), (Entries{{1, 1.0}, {2, 2.0}}));

  inpM_AssemblyInstanceSurface difference = a;
  difference.Difference(b);
  EXPECT_EQ(View(difference.ConstGetInstanceParts().ConstGet("I1")), (FaceView{{"S1", {1}}}));
  EXPECT_FALSE(difference.ConstGetInstanceParts().IsMember("I4"));
  EXPECT_EQ(Nodes(difference.ConstGetNodePart().ConstGetNodes()), (Entries{{1, 1.0}}));

  // Intersection with a surface spanning fewer instances drops the others.
  inpM_AssemblyInstanceSurface product = a;
  product.Intersection(b);
  EXPECT_EQ(Names(product.ConstGetInstanceParts()), (std::vector<std::string>{"I1"}));
  EXPECT_EQ(View(product.ConstGetInstanceParts().ConstGet("I1")), (FaceView{{"S1", {2}}}));
  EXPECT_EQ(Nodes(product.ConstGetNodePart().ConstGetNodes()), (Entries{{2, 20.0}}));

  EXPECT_EQ(Names(a.ConstGetInstanceParts()), (std::vector<std::string>{"I1", "I2", "I3"}));
}

TEST(AssemblyInstanceSurface, CombiningWithItself) {
  inpM_AssemblyInstanceSurface s;
  s.Add("I1", FaceSurface({{"S1", {1, 2}}}));
  s.Add("I2", NodeSurface({{5, 0.5}}));
  s.Add(NodeSurface({{1, 1.0}}));
  const std::string text = Printed(s);
  s.Add(s);
  s.Intersection(s);
  EXPECT_EQ(Printed(s), text);
  s.Difference(s);
  EXPECT_EQ(View(s.ConstGetInstanceParts().ConstGet("I1")), (FaceView{{"S1", {}}}));
  EXPECT_TRUE(s.ConstGetInstanceParts().ConstGet("I2").ConstGetNodeAreaList().IsEmpty());
  EXPECT_TRUE(s.ConstGetNodePart().ConstGetNodes().IsEmpty());
}

TEST(AssemblyInstanceSurface, ViewsAreUnionsOverInstanceParts) {
  inpM_AssemblyInstanceSurface s;
  s.Add("B", FaceSurface({{"S1", {1, 9}}, {"S2", {4}}}));
  s.Add("A", FaceSurface({{"S1", {2}}}));
  s.Add("C", NodeSurface({{3, 3.0}, {4, 4.0}}));
  s.Add("D", NodeSurface({{4, 40.0}, {5, 5.0}}));
  s.Add("E", inpM_AnalyticalSurface());
  EXPECT_EQ(View(s.ConstGetFaceIdElementIdsMap()), (FaceView{{"S1", {1, 2, 9}}, {"S2", {4}}}));
  // Node 4 of the later part "D" meets the table, which keeps "C"'s area.
  EXPECT_EQ(Nodes(s.ConstGetNodeAreaList()), (Entries{{3, 3.0}, {4, 4.0}, {5, 5.0}}));
}

TEST(AssemblyInstanceSurface, CrossInstanceNodeBasedLooksAtTheFirstPartOnly) {
  inpM_AssemblyInstanceSurface s;
  s.Add("B", NodeSurface({{1, 1.0}}));
  EXPECT_FALSE(s.IsCrossInstanceNodeBasedSurface());  // a single part
  s.Add("C", FaceSurface({{"S1", {1}}}));
  EXPECT_TRUE(s.IsCrossInstanceNodeBasedSurface());
  s.Add("A", inpM_AnalyticalSurface());
  EXPECT_FALSE(s.IsCrossInstanceNodeBasedSurface());
  inpM_AssemblyInstanceSurface t;
  t.Add("A", FaceSurface({{"S1", {1}}}));
  t.Add("B", NodeSurface({{1, 1.0}}));
  EXPECT_FALSE(t.IsCrossInstanceNodeBasedSurface());
}

// ---------------------------------------------------------------------------
// inpM_AssemblyInstanceSurface: renumbering, cleaning, stored form

inpM_IdMap Level(std::initializer_list<std::pair<const char*, inpM_IdMap>> instances) {
  inpM_IdMap root;
  for (const auto& [name, map] : instances) root.InsertInstance(name, map);
  return root;
}

TEST(AssemblyInstanceSurface, RenumberUsesEachInstanceMapOfTheRightKind) {
  inpM_AssemblyInstanceSurface s;
  s.SetInternal(true);
  s.Add("I1", FaceSurface({{"S1", {1, 2}}}));
  s.Add("I2", NodeSurface({{1, 0.5}, {7, 0.7}}));
  s.Add("I3", inpM_AnalyticalSurface());
  s.Add(NodeSurface({{1, 9.0}}));
  const inpM_IdMap elements = Level({{"I1", Map({{1, 11}, {2, 12}})}, {"I3", Map({})}});
  const inpM_IdMap nodes = Level({{"I2", Map({{1, 21}})}});
  inpM_AssemblyInstanceSurface renumbered = s;
  renumbered.Renumber(elements, nodes, false);
  EXPECT_EQ(View(renumbered.ConstGetInstanceParts().ConstGet("I1")), (FaceView{{"S1", {11, 12}}}));
  EXPECT_EQ(Nodes(renumbered.ConstGetInstanceParts().ConstGet("I2").ConstGetNodeAreaList()), (Entries{{21, 0.5}}));
  EXPECT_EQ(Nodes(renumbered.ConstGetNodePart().ConstGetNodes()), (Entries{{1, 9.0}}));
  EXPECT_TRUE(renumbered.IsInternal());
  EXPECT_EQ(View(s.ConstGetInstanceParts().ConstGet("I1")), (FaceView{{"S1", {1, 2}}}));

  inpM_AssemblyInstanceSurface cleaned = s;
  cleaned.Cleanup(elements, nodes);
  EXPECT_EQ(View(cleaned.ConstGetInstanceParts().ConstGet("I1")), (FaceView{{"S1", {1, 2}}}));
  EXPECT_EQ(Nodes(cleaned.ConstGetInstanceParts().ConstGet("I2").ConstGetNodeAreaList()), (Entries{{1, 0.5}}));
}

TEST(AssemblyInstanceSurface, InstanceUnknownToTheIdMapIsReported) {
  inpM_AssemblyInstanceSurface s;
  s.Add("I9", FaceSurface({{"S1", {1}}}));
  EXPECT_EQ(ErrorOf([&] { s.Renumber(inpM_IdMap(), inpM_IdMap(), false); }), "Unknown instance name I9");
  EXPECT_EQ(View(s.ConstGetInstanceParts().ConstGet("I9")), (FaceView{{"S1", {1}}}));
}

TEST(AssemblyInstanceSurface, StoredForm) {
  EXPECT_EQ(Printed(inpM_AssemblyInstanceSurface()), "0\n0\n0\n0\n");

  inpM_AssemblyInstanceSurface s;
  s.SetInternal(true);
  s.Add(NodeSurface({{7, 1.5}}));
  s.Add("\"I 2\"", NodeSurface({{3, 2.0}, {1, 0.5}}));
  s.Add("I-1", FaceSurface({{"SPOS", {5}}}));
  s.Add("I-3", inpM_AnalyticalSurface());
  const std::string text =
      "1\n"
      "0\n1\n7\n1.5\n"
      "3\n"
      "I 2\n1\n0\n2\n1\n0.5\n3\n2\n"
      "I-1\n0\n0\n1\nSPOS\n1\n5 \n"
      "I-3\n2\n0\n";
  EXPECT_EQ(Printed(s), text);

  aio_istringstream in(text);
  const inpM_AssemblyInstanceSurface back(in);
  EXPECT_TRUE(back.IsInternal());
  EXPECT_EQ(Names(back.ConstGetInstanceParts()), (std::vector<std::string>{"I 2", "I-1", "I-3"}));
  EXPECT_EQ(Printed(back), text);
}

TEST(AssemblyInstanceSurface, DamagedKindCodeOfAPartStopsTheReader) {
  for (const char* kind : {"3", "-1", "99999"}) {
    const std::string text = std::string("0\n0\n0\n1\nI1\n") + kind + "\n0\n";
    aio_istringstream in(text);
    EXPECT_EQ(ErrorOf([&] { const inpM_AssemblyInstanceSurface s(in); }), std::string("Unknown surface type ") + kind);
  }
  aio_istringstream in("0\n0\n0\n1\nI1\nx\n0\n");
  EXPECT_EQ(ErrorOf([&] { const inpM_AssemblyInstanceSurface s(in); }), "inpM_AssemblyInstanceSurface reading failed.");
}

// ---------------------------------------------------------------------------
// inpM_SurfaceMap

TEST(SurfaceMap, InsertAndLookUp) {
  inpM_SurfaceMap map;
  EXPECT_FALSE(map.IsMemberPartInstanceSurface("I1", "s"));
  map.InsertPartInstanceSurface("I1", "s", FaceSurface({{"S1", {1}}}));
  map.InsertPartInstanceSurface("I1", "t", inpM_AnalyticalSurface());
  map.InsertPartInstanceSurface("I1", "s", NodeSurface({{2, 2.0}}));
  EXPECT_TRUE(map.IsMemberPartInstanceSurface("I1", "s"));
  EXPECT_FALSE(map.IsMemberPartInstanceSurface("I2", "s"));
  EXPECT_FALSE(map.IsMemberPartInstanceSurface("I1", "S"));
  EXPECT_EQ(map.ConstGetPartInstanceSurface("I1", "s").GetSurfaceType(), inpM_NodeAreaSurfaceType);
  EXPECT_EQ(map.ConstGetInstanceSurfaces().ConstGet("I1").Size(), 2);

  inpM_AssemblyInstanceSurface a;
  a.Add("I1", FaceSurface({{"S1", {1}}}));
  map.InsertAssemblyInstanceSurface("A", a);
  a.Add("I2", inpM_AnalyticalSurface());
  EXPECT_TRUE(map.IsMemberAssemblyInstanceSurface("A"));
  EXPECT_FALSE(map.IsMemberAssemblyInstanceSurface("a"));
  EXPECT_EQ(map.ConstGetAssemblyInstanceSurface("A").ConstGetInstanceParts().Size(), 1);

  EXPECT_THROW((void)map.ConstGetPartInstanceSurface("I2", "s"), nex_AssertException);
  EXPECT_THROW((void)map.ConstGetPartInstanceSurface("I1", "u"), nex_AssertException);
  EXPECT_THROW((void)map.ConstGetAssemblyInstanceSurface("B"), nex_AssertException);

  inpM_PartInstanceSurfaceMap replacement;
  replacement.Insert("u", inpM_AnalyticalSurface());
  map.InsertPartInstanceSurfaceMap("I1", replacement);
  EXPECT_FALSE(map.IsMemberPartInstanceSurface("I1", "s"));
  EXPECT_TRUE(map.IsMemberPartInstanceSurface("I1", "u"));
}

TEST(SurfaceMap, MergeReplacesAndNeverCombines) {
  inpM_SurfaceMap map;
  map.InsertPartInstanceSurface("I1", "s", FaceSurface({{"S1", {1, 2}}}));
  map.InsertPartInstanceSurface("I1", "keep", inpM_AnalyticalSurface());
  inpM_AssemblyInstanceSurface old;
  old.Add("I1", FaceSurface({{"S1", {1}}}));
  map.InsertAssemblyInstanceSurface("A", old);

  inpM_SurfaceMap other;
  other.InsertPartInstanceSurface("I1", "s", FaceSurface({{"S2", {3}}}));
  other.InsertPartInstanceSurface("I2", "n", NodeSurface({{4, 4.0}}));
  inpM_AssemblyInstanceSurface fresh;
  fresh.Add("I2", NodeSurface({{5, 5.0}}));
  other.InsertAssemblyInstanceSurface("A", fresh);
  other.InsertAssemblyInstanceSurface("B", inpM_AssemblyInstanceSurface());

  map.Merge(other);
  EXPECT_EQ(View(map.ConstGetPartInstanceSurface("I1", "s")), (FaceView{{"S2", {3}}}));
  EXPECT_TRUE(map.IsMemberPartInstanceSurface("I1", "keep"));
  EXPECT_EQ(Nodes(map.ConstGetPartInstanceSurface("I2", "n").ConstGetNodeAreaList()), (Entries{{4, 4.0}}));
  EXPECT_EQ(Names(map.ConstGetAssemblyInstanceSurface("A").ConstGetInstanceParts()), (std::vector<std::string>{"I2"}));
  EXPECT_TRUE(map.IsMemberAssemblyInstanceSurface("B"));

  const std::string text = Printed(map);
  map.Merge(map);
  EXPECT_EQ(Printed(map), text);
}

TEST(SurfaceMap, ChangeInstanceName) {
  inpM_SurfaceMap map;
  map.InsertPartInstanceSurface("OLD", "s", FaceSurface({{"S1", {1}}}));
  map.InsertPartInstanceSurface("NEW", "t", inpM_AnalyticalSurface());
  inpM_AssemblyInstanceSurface a;
  a.Add("OLD", FaceSurface({{"S1", {1}}}));
  a.Add("SPAN", FaceSurface({{"S1", {2}}}));
  map.InsertAssemblyInstanceSurface("A", a);

  // Nothing changes for equal names, for a name without instance surfaces
  // (also one that an assembly surface spans), or for another case.
  inpM_SurfaceMap same = map;
  same.ChangeInstanceName("OLD", "OLD");
  same.ChangeInstanceName("SPAN", "OLD");
  same.ChangeInstanceName("old", "X");
  EXPECT_EQ(Printed(same), Printed(map));

  map.ChangeInstanceName("OLD", "NEW");
  EXPECT_FALSE(map.IsMemberPartInstanceSurface("OLD", "s"));
  EXPECT_TRUE(map.IsMemberPartInstanceSurface("NEW", "s"));
  EXPECT_FALSE(map.IsMemberPartInstanceSurface("NEW", "t"));  // replaced, not merged
  EXPECT_TRUE(map.ConstGetAssemblyInstanceSurface("A").ConstGetInstanceParts().IsMember("OLD"));
  EXPECT_EQ(map.ConstGetInstanceSurfaces().Size(), 1);
}

TEST(SurfaceMap, CleanupAndRenumberKeepsEverySurface) {
  inpM_SurfaceMap map;
  map.InsertPartInstanceSurface("I1", "f", FaceSurface({{"S1", {1, 2}}}));
  map.InsertPartInstanceSurface("I1", "n", NodeSurface({{1, 0.1}, {3, 0.3}}));
  map.InsertPartInstanceSurface("I1", "r", inpM_AnalyticalSurface());
  map.InsertPartInstanceSurface("I1", "gone", FaceSurface({{"S2", {9}}}));
  inpM_AssemblyInstanceSurface a;
  a.Add("I1", NodeSurface({{3, 3.0}}));
  a.Add(NodeSurface({{3, 30.0}}));
  map.InsertAssemblyInstanceSurface("A", a);
  const inpM_IdMap elements = Level({{"I1", Map({{1, 101}, {2, 102}})}});
  const inpM_IdMap nodes = Level({{"I1", Map({{3, 203}})}});
  const inpM_SurfaceMap original = map;

  map.Renumber(elements, nodes, false);
  EXPECT_EQ(View(map.ConstGetPartInstanceSurface("I1", "f")), (FaceView{{"S1", {101, 102}}}));
  EXPECT_EQ(Nodes(map.ConstGetPartInstanceSurface("I1", "n").ConstGetNodeAreaList()), (Entries{{203, 0.3}}));
  EXPECT_EQ(View(map.ConstGetPartInstanceSurface("I1", "gone")), (FaceView{{"S2", {}}}));
  EXPECT_TRUE(map.IsMemberPartInstanceSurface("I1", "r"));
  const inpM_AssemblyInstanceSurface& renumbered = map.ConstGetAssemblyInstanceSurface("A");
  EXPECT_EQ(Nodes(renumbered.ConstGetNodeAreaList()), (Entries{{203, 3.0}}));
  EXPECT_EQ(Nodes(renumbered.ConstGetNodePart().ConstGetNodes()), (Entries{{3, 30.0}}));

  map.Renumber(elements, nodes, true);
  EXPECT_EQ(View(map.ConstGetPartInstanceSurface("I1", "f")), (FaceView{{"S1", {1, 2}}}));

  inpM_SurfaceMap cleaned = original;
  cleaned.Cleanup(elements, nodes);
  EXPECT_EQ(View(cleaned.ConstGetPartInstanceSurface("I1", "f")), (FaceView{{"S1", {1, 2}}}));
  EXPECT_EQ(Nodes(cleaned.ConstGetPartInstanceSurface("I1", "n").ConstGetNodeAreaList()), (Entries{{3, 0.3}}));
  EXPECT_EQ(View(original.ConstGetPartInstanceSurface("I1", "gone")), (FaceView{{"S2", {9}}}));
}

TEST(SurfaceMap, UnknownInstanceLeavesTheWholeMapUnchanged) {
  inpM_SurfaceMap map;
  map.InsertPartInstanceSurface("I1", "f", FaceSurface({{"S1", {1}}}));
  inpM_AssemblyInstanceSurface a;
  a.Add("I9", FaceSurface({{"S1", {1}}}));
  map.InsertAssemblyInstanceSurface("A", a);
  const std::string text = Printed(map);
  const inpM_IdMap ids = Level({{"I1", Map({{1, 5}})}});
  EXPECT_EQ(ErrorOf([&] { map.Renumber(ids, ids, false); }), "Unknown instance name I9");
  EXPECT_EQ(Printed(map), text);
  EXPECT_EQ(ErrorOf([&] { map.Cleanup(ids, inpM_IdMap()); }), "Unknown instance name I1");
  EXPECT_EQ(Printed(map), text);
}

// ---------------------------------------------------------------------------
// inpM_SurfaceMap: stored form

TEST(SurfaceMapStoredForm, EmptyMapIsTwoZeros) { EXPECT_EQ(Printed(inpM_SurfaceMap()), "0\n0\n"); }

inpM_SurfaceMap Sample() {
  inpM_SurfaceMap map;
  inpM_ElementFaceIdSurface top = FaceSurface({{"S1", {2, 1}}, {"S2", {7}}});
  top.Difference("S2", cow_1DArrayList<int>{7});
  map.InsertPartInstanceSurface("I-1", "\"Face s\"", top);
  inpM_NodeAreaSurface nodes = NodeSurface({{4, 0.25}});
  nodes.SetInternal(true);
  map.InsertPartInstanceSurface("I-1", "Nodes", nodes);
  map.InsertPartInstanceSurface("I-2", "Rigid", inpM_AnalyticalSurface());
  inpM_AssemblyInstanceSurface a;
  a.SetInternal(true);
  a.Add(NodeSurface({{7, 1.5}}));
  a.Add("I-1", FaceSurface({{"SPOS", {5}}}));
  a.Add("I-2", NodeSurface({{3, 2.0}, {1, 0.5}}));
  map.InsertAssemblyInstanceSurface("ASURF", a);
  map.InsertAssemblyInstanceSurface("\"AEMPTY\"", inpM_AssemblyInstanceSurface());
  return map;
}

const char kSampleText[] =
    "2\n"
    "I-1\n2\n"
    "Face s\n0\n0\n2\nS1\n2\n1 2 \nS2\n0\n"
    "Nodes\n1\n1\n1\n4\n0.25\n"
    "I-2\n1\n"
    "Rigid\n2\n0\n"
    "2\n"
    "AEMPTY\n0\n0\n0\n0\n"
    "ASURF\n1\n0\n1\n7\n1.5\n2\n"
    "I-1\n0\n0\n1\nSPOS\n1\n5 \n"
    "I-2\n1\n0\n2\n1\n0.5\n3\n2\n";

TEST(SurfaceMapStoredForm, WrittenByHandAndReadBack) {
  EXPECT_EQ(Printed(Sample()), kSampleText);
  aio_istringstream in(std::string(kSampleText) + "after\n");
  const inpM_SurfaceMap back(in);
  EXPECT_EQ(Printed(back), kSampleText);  // names come back without quotes
  EXPECT_TRUE(back.IsMemberPartInstanceSurface("I-1", "Face s"));
  EXPECT_TRUE(back.ConstGetPartInstanceSurface("I-1", "Nodes").IsInternal());
  EXPECT_TRUE(back.IsMemberAssemblyInstanceSurface("AEMPTY"));
  EXPECT_TRUE(back.ConstGetAssemblyInstanceSurface("ASURF").IsInternal());
  char line[132];
  in.getline(line, 132);
  EXPECT_STREQ(line, "after");
}

TEST(SurfaceMapStoredForm, InstanceWithoutSurfacesRoundTrips) {
  inpM_SurfaceMap map;
  map.InsertPartInstanceSurfaceMap("I0", inpM_PartInstanceSurfaceMap());
  EXPECT_EQ(Printed(map), "1\nI0\n0\n0\n");
  aio_istringstream in(Printed(map));
  EXPECT_EQ(Printed(inpM_SurfaceMap(in)), "1\nI0\n0\n0\n");
}

bool ReadsMap(const std::string& text) {
  wip_Capture capture;
  aio_istringstream in(text);
  try {
    const inpM_SurfaceMap map(in);
    return true;
  } catch (const wip_ErrorException&) {
    return false;
  }
}

TEST(SurfaceMapStoredForm, EveryPrefixIsReadOrStoppedCleanly) {
  const std::string text = kSampleText;
  ASSERT_TRUE(ReadsMap(text));
  for (size_t n = 0; n < text.size(); ++n) EXPECT_FALSE(ReadsMap(text.substr(0, n))) << n;
}

TEST(SurfaceMapStoredForm, DamagedCountsAndNamesStopTheReader) {
  const std::string longName(132, 'N');
  const char* const texts[] = {
      "-1\n0\n",
      "2000000000\n",
      "1\nI\n2000000000\ns\n0\n0\n0\n",
      "0\n2147483647\n",
      "1\nI\n-2\n",
      "x\n",
  };
  for (const char* text : texts) {
    aio_istringstream in(text);
    EXPECT_EQ(ErrorOf([&] { const inpM_SurfaceMap map(in); }), "inpM_SurfaceMap reading failed.") << text;
  }
  aio_istringstream in("1\n" + longName + "\n0\n0\n");
  EXPECT_EQ(ErrorOf([&] { const inpM_SurfaceMap map(in); }), "inpM_SurfaceMap reading failed.");
  aio_istringstream kind("1\nI\n1\ns\n5\n0\n0\n");
  EXPECT_EQ(ErrorOf([&] { const inpM_SurfaceMap map(kind); }), "Unknown surface type 5");
}

TEST(SurfaceMapStoredForm, RandomDamageNeverCrashes) {
  const std::string text = kSampleText;
  std::mt19937 random(5);
  const char bytes[] = "0123456789-+. \nSIe\"";
  int read = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = text;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) damaged[random() % damaged.size()] = bytes[random() % (sizeof bytes - 1)];
    read += ReadsMap(damaged) ? 1 : 0;
  }
  EXPECT_GT(read, 0);
}

}  // namespace
