

#include "part_map_testing.h"

namespace {

using namespace partmap_testing;
using NameList = std::vector<std::string>;

TEST(PartInstanceSurfaceMap, InsertFilesACopyReplacesAndIteratesInByteOrder) {
  inpM_PartInstanceSurfaceMap map;
  inpM_ElementFaceIdSurface surface = FaceSurface({{"S1", {1}}});
  map.Insert("top", surface);
  surface.Add("S1", 2);
  EXPECT_EQ(View(map.ConstGet("top")), (FaceView{{"S1", {1}}}));
  inpM_PartInstanceSurfaceMap copy = map;
  copy.Get("top").Add(FaceSurface({{"S2", {2}}}));
  EXPECT_EQ(View(map.ConstGet("top")), (FaceView{{"S1", {1}}}));
  map.Insert("top", NodeSurface({{4, 1.0}}));
  EXPECT_EQ(map.ConstGet("top").GetSurfaceType(), inpM_NodeAreaSurfaceType);
  EXPECT_EQ(View(copy.ConstGet("top")), (FaceView{{"S1", {1}}, {"S2", {2}}}));
  EXPECT_TRUE(map.Remove("top"));
  EXPECT_FALSE(map.Remove("top"));
  EXPECT_TRUE(map.IsEmpty());
  EXPECT_THROW((void)map.ConstGet("none"), nex_AssertException);  // an absent name is an internal error
  EXPECT_THROW((void)map.Get("none"), nex_AssertException);

  for (const char* name : {"b", "B", "\"a\"", "A", "a"}) map.Insert(name, inpM_AnalyticalSurface());
  inpM_PartInstanceSurfaceMapSIT it(map);
  map.Remove("A");  // the iterator visits its own copy
  NameList visited;
  for (it.First(); !it.IsDone(); it.Next()) visited.push_back(it.CurrentKey().str());
  EXPECT_EQ(visited, (NameList{"\"a\"", "A", "B", "a", "b"}));
  EXPECT_EQ(Names(map.Names()), (NameList{"\"a\"", "B", "a", "b"}));
}

const inpM_PartInstanceSurface& Part(const inpM_AssemblyInstanceSurface& s, const char* instance) {
  return s.ConstGetInstanceParts().ConstGet(instance);
}

TEST(AssemblyInstanceSurface, InstanceAndNodePartCombinations) {
  inpM_AssemblyInstanceSurface s;
  s.Difference("I1", FaceSurface({{"S1", {1}}}));
  s.Intersection("I1", FaceSurface({{"S1", {1}}}));
  EXPECT_TRUE(s.ConstGetInstanceParts().IsEmpty());
  s.Add("I1", FaceSurface({{"S1", {1, 2}}}));
  const inpM_AssemblyInstanceSurface before = s;
  s.Add("I1", FaceSurface({{"S1", {3}}, {"S2", {4}}}));
  s.Difference("I1", FaceSurface({{"S2", {4}}}));
  EXPECT_EQ(View(Part(s, "I1")), (FaceView{{"S1", {1, 2, 3}}, {"S2", {}}}));
  s.Intersection("I1", FaceSurface({{"S1", {2, 3, 9}}}));
  EXPECT_EQ(View(Part(s, "I1")), (FaceView{{"S1", {2, 3}}}));
  EXPECT_EQ(View(Part(before, "I1")), (FaceView{{"S1", {1, 2}}}));
  s.Add("I2", Faces({{"S3", {5}}}));
  s.Add("I3", Areas({{7, 0.7}}));
  EXPECT_EQ(View(Part(s, "I2")), (FaceView{{"S3", {5}}}));
  EXPECT_EQ(Nodes(Part(s, "I3")), (Entries{{7, 0.7}}));

  inpM_AssemblyInstanceSurface n;
  n.Add(NodeSurface({{1, 1.0}, {2, 2.0}}));
  n.Add(NodeSurface({{3, 3.0}}));
  n.Difference(NodeSurface({{1, 0.0}}));
  EXPECT_EQ(Nodes(n.ConstGetNodePart()), (Entries{{2, 2.0}, {3, 3.0}}));
  n.Intersection(NodeSurface({{3, 30.0}}));
  EXPECT_EQ(Nodes(n.ConstGetNodePart()), (Entries{{3, 30.0}}));
  EXPECT_TRUE(n.ConstGetInstanceParts().IsEmpty());
  EXPECT_TRUE(Nodes(n).empty());  // the node part is not in the view
}

TEST(AssemblyInstanceSurface, WholeSurfaceCombinationsViewsAndCrossInstanceNodeBased) {
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
  EXPECT_EQ(View(Part(sum, "I1")), (FaceView{{"S1", {1, 2, 3}}}));
  EXPECT_EQ(View(Part(sum, "I4")), (FaceView{{"S2", {8}}}));
  EXPECT_EQ(Nodes(sum.ConstGetNodePart()), (Entries{{1, 1.0}, {2, 2.0}}));
  inpM_AssemblyInstanceSurface difference = a;
  difference.Difference(b);
  EXPECT_EQ(View(Part(difference, "I1")), (FaceView{{"S1", {1}}}));
  EXPECT_FALSE(difference.ConstGetInstanceParts().IsMember("I4"));
  EXPECT_EQ(Nodes(difference.ConstGetNodePart()), (Entries{{1, 1.0}}));
  inpM_AssemblyInstanceSurface product = a;  // drops the instances b does not span
  product.Intersection(b);
  EXPECT_EQ(Names(product.ConstGetInstanceParts().Names()), NameList{"I1"});
  EXPECT_EQ(View(Part(product, "I1")), (FaceView{{"S1", {2}}}));
  EXPECT_EQ(Nodes(product.ConstGetNodePart()), (Entries{{2, 20.0}}));
  EXPECT_EQ(Names(a.ConstGetInstanceParts().Names()), (NameList{"I1", "I2", "I3"}));

  const std::string text = Printed(a);
  a.Add(a);
  a.Intersection(a);
  EXPECT_EQ(Printed(a), text);
  a.Difference(a);
  EXPECT_EQ(View(Part(a, "I1")), (FaceView{{"S1", {}}}));
  EXPECT_TRUE(Nodes(Part(a, "I2")).empty());
  EXPECT_TRUE(Nodes(a.ConstGetNodePart()).empty());
  inpM_AssemblyInstanceSurface s;
  s.Add("B", FaceSurface({{"S1", {1, 9}}, {"S2", {4}}}));
  s.Add("A", FaceSurface({{"S1", {2}}}));
  s.Add("C", NodeSurface({{3, 3.0}, {4, 4.0}}));
  s.Add("D", NodeSurface({{4, 40.0}, {5, 5.0}}));
  s.Add("E", inpM_AnalyticalSurface());
  EXPECT_EQ(View(s), (FaceView{{"S1", {1, 2, 9}}, {"S2", {4}}}));
  // Node 4 of the later part "D" meets the table, which keeps "C"'s area.
  EXPECT_EQ(Nodes(s), (Entries{{3, 3.0}, {4, 4.0}, {5, 5.0}}));

  // Only the first part's kind counts, and only with more than one part.
  inpM_AssemblyInstanceSurface t;
  t.Add("B", NodeSurface({{1, 1.0}}));
  EXPECT_FALSE(t.IsCrossInstanceNodeBasedSurface());
  t.Add("C", FaceSurface({{"S1", {1}}}));
  EXPECT_TRUE(t.IsCrossInstanceNodeBasedSurface());
  t.Add("A", inpM_AnalyticalSurface());
  EXPECT_FALSE(t.IsCrossInstanceNodeBasedSurface());
}

TEST(SurfaceMap, InsertLookUpAndMerge) {
  inpM_SurfaceMap map;
  map.InsertPartInstanceSurface("I1", "s", FaceSurface({{"S1", {1, 2}}}));
  map.InsertPartInstanceSurface("I1", "keep", inpM_AnalyticalSurface());
  EXPECT_TRUE(map.IsMemberPartInstanceSurface("I1", "s"));
  EXPECT_FALSE(map.IsMemberPartInstanceSurface("I2", "s"));
  EXPECT_FALSE(map.IsMemberPartInstanceSurface("I1", "S"));
  inpM_AssemblyInstanceSurface a;
  a.Add("I1", FaceSurface({{"S1", {1}}}));
  map.InsertAssemblyInstanceSurface("A", a);
  a.Add("I2", inpM_AnalyticalSurface());  // the map holds a copy
  EXPECT_EQ(map.ConstGetAssemblyInstanceSurface("A").ConstGetInstanceParts().Size(), 1);
  EXPECT_FALSE(map.IsMemberAssemblyInstanceSurface("a"));
  EXPECT_THROW((void)map.ConstGetPartInstanceSurface("I2", "s"), nex_AssertException);
  EXPECT_THROW((void)map.ConstGetPartInstanceSurface("I1", "u"), nex_AssertException);
  EXPECT_THROW((void)map.ConstGetAssemblyInstanceSurface("B"), nex_AssertException);

  // Merging replaces whole surfaces and never combines them.
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
  EXPECT_EQ(Nodes(map.ConstGetPartInstanceSurface("I2", "n")), (Entries{{4, 4.0}}));
  EXPECT_EQ(Names(map.ConstGetAssemblyInstanceSurface("A").ConstGetInstanceParts().Names()), NameList{"I2"});
  EXPECT_TRUE(map.IsMemberAssemblyInstanceSurface("B"));
  const std::string text = Printed(map);
  map.Merge(map);
  EXPECT_EQ(Printed(map), text);

  inpM_PartInstanceSurfaceMap replacement;
  replacement.Insert("u", inpM_AnalyticalSurface());
  map.InsertPartInstanceSurfaceMap("I1", replacement);
  EXPECT_FALSE(map.IsMemberPartInstanceSurface("I1", "s"));
  EXPECT_TRUE(map.IsMemberPartInstanceSurface("I1", "u"));
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

TEST(SurfaceMap, RenumberAndCleanupKeepEverySurfaceOrChangeNothing) {
  inpM_SurfaceMap map;
  map.InsertPartInstanceSurface("I1", "f", FaceSurface({{"S1", {1, 2}}}));
  map.InsertPartInstanceSurface("I1", "n", NodeSurface({{1, 0.1}, {3, 0.3}}));
  map.InsertPartInstanceSurface("I1", "r", inpM_AnalyticalSurface());
  map.InsertPartInstanceSurface("I1", "gone", FaceSurface({{"S2", {9}}}));
  inpM_AssemblyInstanceSurface a;
  a.SetInternal(true);
  a.Add("I1", NodeSurface({{3, 3.0}}));
  a.Add("I2", FaceSurface({{"S1", {2}}}));
  a.Add(NodeSurface({{3, 30.0}}));  // the assembly's own nodes are not renumbered
  map.InsertAssemblyInstanceSurface("A", a);
  const inpM_IdMap elements = IdMapOf({}, {{"I1", {{1, 101}, {2, 102}}}, {"I2", {{2, 302}}}});
  const inpM_IdMap nodes = IdMapOf({}, {{"I1", {{3, 203}}}, {"I2", {}}});
  const inpM_SurfaceMap original = map;
  map.Renumber(elements, nodes, false);
  EXPECT_EQ(View(map.ConstGetPartInstanceSurface("I1", "f")), (FaceView{{"S1", {101, 102}}}));
  EXPECT_EQ(Nodes(map.ConstGetPartInstanceSurface("I1", "n")), (Entries{{203, 0.3}}));
  EXPECT_EQ(View(map.ConstGetPartInstanceSurface("I1", "gone")), (FaceView{{"S2", {}}}));
  EXPECT_TRUE(map.IsMemberPartInstanceSurface("I1", "r"));
  const inpM_AssemblyInstanceSurface& renumbered = map.ConstGetAssemblyInstanceSurface("A");
  EXPECT_EQ(Nodes(renumbered), (Entries{{203, 3.0}}));  // each part through its instance's map of its kind
  EXPECT_EQ(View(renumbered), (FaceView{{"S1", {302}}}));
  EXPECT_EQ(Nodes(renumbered.ConstGetNodePart()), (Entries{{3, 30.0}}));
  EXPECT_TRUE(renumbered.IsInternal());
  map.Renumber(elements, nodes, true);
  EXPECT_EQ(View(map.ConstGetPartInstanceSurface("I1", "f")), (FaceView{{"S1", {1, 2}}}));
  inpM_SurfaceMap cleaned = original;
  cleaned.Cleanup(elements, nodes);
  EXPECT_EQ(Nodes(cleaned.ConstGetPartInstanceSurface("I1", "n")), (Entries{{3, 0.3}}));
  EXPECT_EQ(View(original.ConstGetPartInstanceSurface("I1", "gone")), (FaceView{{"S2", {9}}}));

  // An instance unknown to the id maps leaves the whole map unchanged.
  inpM_AssemblyInstanceSurface spans;
  spans.Add("I9", FaceSurface({{"S1", {1}}}));
  cleaned.InsertAssemblyInstanceSurface("B", spans);
  const std::string text = Printed(cleaned);
  EXPECT_EQ(ErrorOf([&] { cleaned.Renumber(elements, nodes, false); }), "Unknown instance name I9");
  EXPECT_EQ(Printed(cleaned), text);
  EXPECT_EQ(ErrorOf([&] { cleaned.Cleanup(elements, inpM_IdMap()); }), "Unknown instance name I1");
  EXPECT_EQ(Printed(cleaned), text);
}

inpM_SurfaceMap Sample() {
  inpM_SurfaceMap map;
  inpM_ElementFaceIdSurface top = FaceSurface({{"S1", {2, 1}}, {"S2", {7}}});
  top.Difference("S2", L({7}));
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

const std::string kSampleText =
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
  EXPECT_EQ(Printed(inpM_SurfaceMap()), "0\n0\n");
  EXPECT_EQ(Printed(Sample()), kSampleText);
  aio_istringstream in(kSampleText + "after\n");
  const inpM_SurfaceMap back(in);
  EXPECT_EQ(Printed(back), kSampleText);  // names come back without quotes
  EXPECT_TRUE(back.IsMemberPartInstanceSurface("I-1", "Face s"));
  EXPECT_TRUE(back.IsMemberAssemblyInstanceSurface("AEMPTY"));
  char line[132];
  in.getline(line, 132);
  EXPECT_STREQ(line, "after");
  inpM_SurfaceMap empty;  // an instance without surfaces
  empty.InsertPartInstanceSurfaceMap("I0", inpM_PartInstanceSurfaceMap());
  EXPECT_EQ(Printed(empty), "1\nI0\n0\n0\n");
  aio_istringstream again(Printed(empty));
  EXPECT_EQ(Printed(inpM_SurfaceMap(again)), "1\nI0\n0\n0\n");
}

}  // namespace
