
#include <memory>

#include "part_map_testing.h"

namespace {

using namespace partmap_testing;

const inpM_PartInstanceSurface& AsBase(const inpM_PartInstanceSurface& s) { return s; }

TEST(NodeAreaList, OneEntryInlineMoreInTheTable) {
  inpM_NodeAreaList list;
  EXPECT_FALSE(list.IsMember(0) || list.Remove(0));
  EXPECT_EQ(ErrorOf([&] { (void)list.ConstGet(7); }), "No nodal area for node label 7");
  EXPECT_TRUE(list.Insert(9, 0.9));
  EXPECT_EQ(ErrorOf([&] { (void)list.Get(7); }), "No nodal area for node label 7");
  EXPECT_FALSE(list.Insert(9, 2.0));  // the same node again keeps the first area
  EXPECT_TRUE(list.Insert(-2, 0.2) && list.Insert(70000, 7.0));
  EXPECT_EQ(Nodes(list), (Entries{{-2, 0.2}, {9, 0.9}, {70000, 7.0}}));
  EXPECT_EQ(ErrorOf([&] { (void)list.Get(-7); }), "No nodal area for node label -7");
  EXPECT_TRUE(list.Remove(9));
  EXPECT_FALSE(list.Remove(9));
  EXPECT_EQ(list.ConstGet(70000), 7.0);
  list.Clear();
  EXPECT_EQ(list.Size(), 0);
  list.Insert(7, 7.0);
  EXPECT_TRUE(list.Remove(7) && list.IsEmpty());
  // Node 0 is kept in the table, alone or beside an inline entry.
  EXPECT_TRUE(list.Insert(0, 2.5));
  EXPECT_EQ(list.ConstGet(0), 2.5);
  inpM_NodeAreaList single = Areas({{8, 8.0}});
  single.Insert(0, 0.5);
  EXPECT_EQ(Nodes(single), (Entries{{0, 0.5}, {8, 8.0}}));
  for (const Entries& entries : {Entries{}, Entries{{4, 0.4}}, Entries{{9, 0.9}, {-2, 0.2}, {0, 1.0}}}) {
    const inpM_NodeAreaList l = Areas(entries);
    Entries walked;
    l.ForEach([&walked](int node, const double& area) { walked.emplace_back(node, area); });
    EXPECT_EQ(walked, Nodes(l));
  }
  // Copies, of one inline entry or of a table, change independently.
  const inpM_NodeAreaList one = Areas({{1, 1.0}});
  inpM_NodeAreaList oneCopy = one;
  oneCopy.Get(1) = 10.0;
  EXPECT_EQ(one.ConstGet(1), 1.0);
  const inpM_NodeAreaList table = Areas({{1, 1.0}, {2, 2.0}});
  inpM_NodeAreaList copy = table;
  copy.Get(2) = 20.0;
  copy.Insert(3, 3.0);
  copy.Remove(1);
  EXPECT_EQ(Nodes(table), (Entries{{1, 1.0}, {2, 2.0}}));
  EXPECT_EQ(Nodes(copy), (Entries{{2, 20.0}, {3, 3.0}}));
}

TEST(ElementFaceIdSurface, FaceAndMapCombinations) {
  inpM_ElementFaceIdSurface s(Faces({{"S1", {3, 1}}, {"S2", {5}}}));
  s.Add("S1", L({2, 3}));
  s.Add("S3", 9);
  s.Add("S2", 6);
  EXPECT_EQ(View(s), (FaceView{{"S1", {1, 2, 3}}, {"S2", {5, 6}}, {"S3", {9}}}));
  s.Difference("S2", L({5, 6, 7}));
  s.Difference("S9", L({1}));
  s.Intersection("S1", L({2, 3, 4}));
  s.Intersection("S8", L({1}));
  EXPECT_EQ(View(s), (FaceView{{"S1", {2, 3}}, {"S2", {}}, {"S3", {9}}}));
  s.Intersection(Faces({{"S1", {2, 7}}, {"S3", {5}}, {"S4", {4}}}));  // only shared faces stay
  EXPECT_EQ(View(s), (FaceView{{"S1", {2}}, {"S3", {}}}));
  s.Add(Faces({{"S3", {8}}, {"S5", {1, 2}}}));
  s.Difference(Faces({{"S1", {2}}, {"S6", {1}}}));
  EXPECT_EQ(View(s), (FaceView{{"S1", {}}, {"S3", {8}}, {"S5", {1, 2}}}));

  // Other kinds act as empty; the surface itself as what it holds.
  const FaceMap faces = Faces({{"S1", {1, 2}}, {"SNEG", {3}}});
  const inpM_NodeAreaSurface nodes = NodeSurface({{1, 1.0}});
  const inpM_AnalyticalSurface rigid;
  for (const inpM_PartInstanceSurface* other : {&AsBase(nodes), &AsBase(rigid)}) {
    inpM_ElementFaceIdSurface t(faces);
    t.Add(*other);
    t.Difference(*other);
    EXPECT_EQ(View(t), View(faces));
    t.Intersection(*other);
    EXPECT_TRUE(View(t).empty());
  }
  inpM_ElementFaceIdSurface self(faces);
  self.Add(AsBase(self));
  self.Intersection(AsBase(self));
  EXPECT_EQ(View(self), View(faces));
  const inpM_ElementFaceIdSurface copy = self;
  self.Difference(AsBase(self));
  EXPECT_EQ(View(self), (FaceView{{"S1", {}}, {"SNEG", {}}}));
  EXPECT_EQ(View(copy), View(faces));
}

TEST(ElementFaceIdSurface, CopyRenumberAndCleanup) {
  inpM_ElementFaceIdSurface s(Faces({{"S1", {1, 2, 9}}, {"S2", {8, 9}}, {"S3", {}}}));
  s.SetInternal(true);
  std::unique_ptr<inpM_PartInstanceSurface> copy(s.Copy());
  copy->Add(FaceSurface({{"S1", {5}}, {"S4", {6}}}));
  EXPECT_TRUE(copy->IsInternal());  // combining leaves the flag alone
  EXPECT_EQ(View(s), (FaceView{{"S1", {1, 2, 9}}, {"S2", {8, 9}}, {"S3", {}}}));
  EXPECT_EQ(View(*copy), (FaceView{{"S1", {1, 2, 5, 9}}, {"S2", {8, 9}}, {"S3", {}}, {"S4", {6}}}));
  inpM_ElementFaceIdSurface cleaned = s;
  cleaned.Cleanup(IdMapOf({{1, 101}, {2, 102}}));  // drops unknown ids without translating
  EXPECT_EQ(View(cleaned), (FaceView{{"S1", {1, 2}}, {"S2", {}}, {"S3", {}}}));
  s.Renumber(IdMapOf({{1, 101}, {2, 102}, {3, 103}}), false);  // emptied faces stay
  EXPECT_EQ(View(s), (FaceView{{"S1", {101, 102}}, {"S2", {}}, {"S3", {}}}));
  EXPECT_TRUE(s.IsInternal());
  // A global id shared by two local ids goes back to the first local.
  inpM_ElementFaceIdSurface shared(Faces({{"S1", {50, 60, 70}}, {"S2", {60}}}));
  shared.Renumber(IdMapOf({{3, 60}, {1, 50}, {2, 50}}), true);
  EXPECT_EQ(View(shared), (FaceView{{"S1", {1, 3}}, {"S2", {3}}}));
}

TEST(NodeAreaSurface, CombinationsAndRenumbering) {
  inpM_NodeAreaSurface s;
  s.Add(L({4, 2, 4}), 0.5);
  s.Add(Areas({{4, 9.0}, {6, 6.0}}));  // 4 keeps its area: the table decides
  EXPECT_EQ(Nodes(s), (Entries{{2, 0.5}, {4, 0.5}, {6, 6.0}}));
  s.Difference(Areas({{2, 0.0}, {7, 0.0}}));
  s.Intersection(Areas({{6, 60.0}, {4, 40.0}, {8, 80.0}}));
  EXPECT_EQ(Nodes(s), (Entries{{4, 40.0}, {6, 60.0}}));

  const Entries entries{{1, 1.0}, {2, 2.0}};
  inpM_NodeAreaSurface t(Areas(entries));
  const inpM_ElementFaceIdSurface faces = FaceSurface({{"S1", {1, 2}}});
  t.Add(faces);
  t.Difference(inpM_AnalyticalSurface());
  t.Add(AsBase(t));
  t.Intersection(AsBase(t));
  EXPECT_EQ(Nodes(t), entries);
  const inpM_NodeAreaSurface copy = t;
  t.Difference(AsBase(t));
  EXPECT_TRUE(Nodes(t).empty());
  EXPECT_EQ(Nodes(copy), entries);
  inpM_NodeAreaSurface u(Areas(entries));
  u.Intersection(faces);
  EXPECT_TRUE(Nodes(u).empty());
  EXPECT_TRUE(View(u).empty());
  const inpM_IdMap map = IdMapOf({{1, 101}, {2, 102}, {3, 103}});
  // Two local ids on one global id: the reverse table keeps the smaller local
  // id, whether the nodes line up or are taken one at a time.
  const inpM_IdMap shared = IdMapOf({{1, 50}, {2, 50}, {3, 60}}), none;
  const struct {
    const inpM_IdMap& map;
    Entries in;
    bool back;
    Entries out;
  } cases[] = {
      {map, {{1, 0.1}, {3, 0.3}}, false, {{101, 0.1}, {103, 0.3}}},
      {map, {{101, 0.1}, {103, 0.3}}, true, {{1, 0.1}, {3, 0.3}}},
      {map, {{0, 0.5}, {1, 0.1}, {5, 0.5}, {3, 0.3}}, false, {{101, 0.1}, {103, 0.3}}},
      {map, {{101, 0.1}, {1, 9.0}, {103, 0.3}}, true, {{1, 0.1}, {3, 0.3}}},
      {map, {{2, 2.5}}, false, {{102, 2.5}}},
      {none, {{2, 2.5}}, false, {}},
      {shared, {{50, 5.0}, {60, 6.0}}, true, {{1, 5.0}, {3, 6.0}}},
      {shared, {{50, 5.0}, {60, 6.0}, {70, 7.0}}, true, {{1, 5.0}, {3, 6.0}}},
  };
  for (const auto& c : cases) {
    inpM_NodeAreaSurface renumbered(Areas(c.in));
    renumbered.Renumber(c.map, c.back);
    EXPECT_EQ(Nodes(renumbered), c.out) << c.in.size() << " " << c.back;
  }
  inpM_NodeAreaSurface cleaned(Areas({{1, 0.1}, {4, 0.4}, {3, 0.3}}));
  cleaned.Cleanup(IdMapOf({{1, 101}, {3, 103}}));  // keeps known nodes untranslated
  EXPECT_EQ(Nodes(cleaned), (Entries{{1, 0.1}, {3, 0.3}}));
}

TEST(SurfaceStoredForm, GoldenKindCodesAndEveryKindReadsBack) {
  inpM_ElementFaceIdSurface faces(Faces({{"S2", {7}}, {"S1", {3, 1, 2}}, {"\"E 1\"", {4}}}));
  faces.Difference("S2", L({7}));
  EXPECT_EQ(Printed(faces), "0\n3\n\"E 1\"\n1\n4 \nS1\n3\n1 2 3 \nS2\n0\n");
  EXPECT_EQ(Printed(inpM_ElementFaceIdSurface()), "0\n0\n");
  faces.SetInternal(true);
  inpM_NodeAreaSurface nodes(Areas({{5, 0.5}, {2, 2.0}, {-3, 1e-07}}));
  nodes.SetInternal(true);
  EXPECT_EQ(Printed(nodes), "1\n3\n-3\n1e-07\n2\n2\n5\n0.5\n");  // id and area on lines of their own
  EXPECT_EQ(Printed(inpM_NodeAreaSurface()), "0\n0\n");
  const inpM_NodeAreaSurface thirds(Areas({{5, 0.1}, {2, 1.0 / 3.0}, {0, 2.0}}));
  inpM_AnalyticalSurface rigid;
  rigid.SetInternal(true);
  for (const inpM_PartInstanceSurface* s : {&AsBase(faces), &AsBase(nodes), &AsBase(thirds), &AsBase(rigid)}) {
    const std::string text = Printed(*s);
    aio_istringstream in(text + "next\n");
    const inpM_PartInstanceSurfaceCOW back = CreateSurface(s->GetSurfaceType(), in);
    ASSERT_TRUE(back.HasValue());
    EXPECT_EQ(back->GetSurfaceType(), s->GetSurfaceType());
    EXPECT_EQ(Printed(*back), text);
    char line[132];
    in.getline(line, 132);  // the reader stops at the end of its record
    EXPECT_STREQ(line, "next");
  }
  aio_istringstream flag("-4 trailing words\n0\n");
  EXPECT_TRUE(inpM_ElementFaceIdSurface(flag).IsInternal());  // any non-zero flag

  for (int kind = 0; kind < 3; ++kind) {
    const inpM_PartInstanceSurfaceCOW s = CreateSurface(static_cast<inpM_SurfaceTypes>(kind));
    ASSERT_TRUE(s.HasValue());
    EXPECT_EQ(s->GetSurfaceType(), kind);
    EXPECT_EQ(Printed(*s), kind == 2 ? "0\n" : "0\n0\n");
  }
  EXPECT_FALSE(CreateSurface(static_cast<inpM_SurfaceTypes>(3)).HasValue());
  EXPECT_FALSE(CreateSurface(static_cast<inpM_SurfaceTypes>(-1)).HasValue());
  aio_istringstream in("0\n");
  EXPECT_EQ(ErrorOf([&] { (void)CreateSurface(static_cast<inpM_SurfaceTypes>(7), in); }), "Unknown surface type 7");
  EXPECT_EQ(ErrorOf([&] { (void)CreateSurface(static_cast<inpM_SurfaceTypes>(-2147483647 - 1), in); }),
            "Unknown surface type -2147483648");
  EXPECT_EQ(in.scan_int(), 0);  // nothing of the stream was taken

  // Every operation leaves the (internal) analytical surface as it is.
  rigid.Add(faces);
  rigid.Difference(faces);
  rigid.Intersection(faces);
  rigid.Renumber(IdMapOf({{1, 2}}), false);
  rigid.Cleanup(inpM_IdMap());
  EXPECT_TRUE(View(rigid).empty() && Nodes(rigid).empty());
  EXPECT_EQ(Printed(rigid), "1\n");
  std::unique_ptr<inpM_PartInstanceSurface> copy(rigid.Copy());
  EXPECT_EQ(copy->GetSurfaceType(), inpM_AnalyticalSurfaceType);
  EXPECT_TRUE(copy->IsInternal());
}

}  // namespace
