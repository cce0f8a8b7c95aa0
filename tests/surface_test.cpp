#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "inpM_IdMap.h"
#include "inpM_Surface.h"
#include "mem.h"
#include "nex.h"
#include "wip.h"
#include "testing.h"

namespace {

using FaceMap = inpM_ElementFaceIdSurface::FaceMap;
using Ids = std::vector<int>;
using Entries = std::vector<std::pair<int, double>>;

cow_1DArrayList<int> List(Ids ids) { return cow_1DArrayList<int>(std::move(ids)); }

FaceMap Faces(std::initializer_list<std::pair<const char*, Ids>> entries) {
  FaceMap map;
  for (const auto& [face, ids] : entries) map.Insert(face, List(ids));
  return map;
}

// Face id -> ids, as plain values for comparisons.
std::map<std::string, Ids> View(const inpM_PartInstanceSurface& surface) {
  std::map<std::string, Ids> view;
  for (const auto& [face, ids] : surface.ConstGetFaceIdElementIdsMap()) view[face.str()] = ids.ConstVector();
  return view;
}

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

std::string Printed(const inpM_PartInstanceSurface& surface) {
  aio_ostringstream out;
  surface.Print(out);
  return out.str();
}

inpM_IdMap Map(std::initializer_list<std::pair<int, int>> pairs) {
  inpM_IdMap map;
  for (const auto& [local, global] : pairs) map.Insert(local, global);
  return map;
}

// ---------------------------------------------------------------------------
// inpM_NodeAreaList

TEST(NodeAreaList, OneEntryIsHeldInlineAndVisitedOnce) {
  inpM_NodeAreaList list;
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_TRUE(Nodes(list).empty());
  EXPECT_TRUE(list.Insert(5, 1.5));
  EXPECT_FALSE(list.HasTable());
  EXPECT_EQ(list.Size(), 1);
  EXPECT_TRUE(list.IsMember(5));
  EXPECT_FALSE(list.IsMember(6));
  EXPECT_EQ(list.ConstGet(5), 1.5);
  EXPECT_EQ(Nodes(list), (Entries{{5, 1.5}}));
}

TEST(NodeAreaList, SecondEntryMovesBothIntoTheTable) {
  inpM_NodeAreaList list;
  list.Insert(9, 0.9);
  EXPECT_TRUE(list.Insert(3, 0.3));
  EXPECT_TRUE(list.HasTable());
  EXPECT_EQ(Nodes(list), (Entries{{3, 0.3}, {9, 0.9}}));
  EXPECT_TRUE(list.Remove(9));
  EXPECT_TRUE(list.HasTable());
  EXPECT_EQ(Nodes(list), (Entries{{3, 0.3}}));
  EXPECT_FALSE(list.Remove(9));
  EXPECT_EQ(list.ConstGet(3), 0.3);
}

TEST(NodeAreaList, SameNodeAgainGoesToTheTableWhichKeepsTheFirstArea) {
  inpM_NodeAreaList list;
  list.Insert(5, 1.0);
  EXPECT_FALSE(list.Insert(5, 2.0));
  EXPECT_TRUE(list.HasTable());
  EXPECT_EQ(Nodes(list), (Entries{{5, 1.0}}));
}

TEST(NodeAreaList, RemoveAndClear) {
  inpM_NodeAreaList list;
  EXPECT_FALSE(list.Remove(0));
  list.Insert(4, 1.0);
  EXPECT_FALSE(list.Remove(3));
  EXPECT_TRUE(list.Remove(4));
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_FALSE(list.IsMember(0));
  list.Insert(1, 1.0);
  list.Insert(2, 2.0);
  list.Clear();
  EXPECT_FALSE(list.HasTable());
  EXPECT_EQ(list.Size(), 0);
  list.Insert(7, 7.0);
  EXPECT_FALSE(list.HasTable());
}

TEST(NodeAreaList, NodeZeroIsKeptInTheTable) {
  inpM_NodeAreaList list;
  EXPECT_FALSE(list.IsMember(0));
  EXPECT_TRUE(list.Insert(0, 2.5));
  EXPECT_TRUE(list.HasTable());
  EXPECT_EQ(list.Size(), 1);
  EXPECT_TRUE(list.IsMember(0));
  EXPECT_EQ(list.ConstGet(0), 2.5);
  list.Insert(4, 4.0);
  EXPECT_EQ(Nodes(list), (Entries{{0, 2.5}, {4, 4.0}}));

  inpM_NodeAreaList single;
  single.Insert(8, 8.0);
  single.Insert(0, 0.5);
  EXPECT_EQ(Nodes(single), (Entries{{0, 0.5}, {8, 8.0}}));
}

TEST(NodeAreaList, AbsentNodeIsReportedWithOrWithoutTable) {
  inpM_NodeAreaList list;
  EXPECT_EQ(ErrorOf([&] { (void)list.ConstGet(7); }), "No nodal area for node label 7");
  list.Insert(3, 1.0);
  EXPECT_EQ(ErrorOf([&] { (void)list.Get(7); }), "No nodal area for node label 7");
  list.Insert(4, 1.0);
  EXPECT_EQ(ErrorOf([&] { (void)list.ConstGet(7); }), "No nodal area for node label 7");
  EXPECT_EQ(ErrorOf([&] { (void)list.Get(-7); }), "No nodal area for node label -7");
  EXPECT_EQ(list.Size(), 2);
}

TEST(NodeAreaList, ForEachVisitsWhatTheIteratorVisits) {
  for (const Entries& entries : {Entries{}, Entries{{4, 0.4}}, Entries{{9, 0.9}, {-2, 0.2}, {70000, 7.0}, {0, 1.0}}}) {
    const inpM_NodeAreaList list = Areas(entries);
    Entries walked;
    list.ForEach([&walked](int node, const double& area) { walked.emplace_back(node, area); });
    EXPECT_EQ(walked, Nodes(list));
  }
  // Negative node ids come first in the table's ascending order.
  EXPECT_EQ(Nodes(Areas({{9, 0.9}, {-2, 0.2}, {70000, 7.0}})), (Entries{{-2, 0.2}, {9, 0.9}, {70000, 7.0}}));
}

TEST(NodeAreaList, CopiesChangeIndependently) {
  inpM_NodeAreaList single = Areas({{1, 1.0}});
  inpM_NodeAreaList singleCopy = single;
  singleCopy.Get(1) = 10.0;
  EXPECT_EQ(single.ConstGet(1), 1.0);

  const inpM_NodeAreaList table = Areas({{1, 1.0}, {2, 2.0}});
  inpM_NodeAreaList copy = table;
  copy.Get(2) = 20.0;
  copy.Insert(3, 3.0);
  copy.Remove(1);
  EXPECT_EQ(Nodes(table), (Entries{{1, 1.0}, {2, 2.0}}));
  EXPECT_EQ(Nodes(copy), (Entries{{2, 20.0}, {3, 3.0}}));
}

// ---------------------------------------------------------------------------
// inpM_ElementFaceIdSurface: combinations

TEST(ElementFaceIdSurface, FaceLevelCombinations) {
  inpM_ElementFaceIdSurface s(Faces({{"S1", {3, 1}}, {"S2", {5}}}));
  EXPECT_EQ(View(s), (std::map<std::string, Ids>{{"S1", {1, 3}}, {"S2", {5}}}));

  s.Add("S1", List({2, 3}));
  s.Add("S3", 9);
  s.Add("S2", 6);
  EXPECT_EQ(View(s), (std::map<std::string, Ids>{{"S1", {1, 2, 3}}, {"S2", {5, 6}}, {"S3", {9}}}));

  s.Difference("S2", List({5, 6, 7}));
  s.Difference("S9", List({1}));
  s.Intersection("S1", List({2, 3, 4}));
  s.Intersection("S8", List({1}));
  EXPECT_EQ(View(s), (std::map<std::string, Ids>{{"S1", {2, 3}}, {"S2", {}}, {"S3", {9}}}));
}

TEST(ElementFaceIdSurface, MapIntersectionKeepsOnlySharedFaces) {
  inpM_ElementFaceIdSurface s(Faces({{"S1", {1, 2}}, {"S2", {3}}, {"S3", {4}}}));
  s.Intersection(Faces({{"S1", {2, 7}}, {"S3", {5}}, {"S4", {4}}}));
  EXPECT_EQ(View(s), (std::map<std::string, Ids>{{"S1", {2}}, {"S3", {}}}));

  s.Add(Faces({{"S3", {8}}, {"S5", {1, 2}}}));
  s.Difference(Faces({{"S1", {2}}, {"S6", {1}}}));
  EXPECT_EQ(View(s), (std::map<std::string, Ids>{{"S1", {}}, {"S3", {8}}, {"S5", {1, 2}}}));
}

TEST(ElementFaceIdSurface, OtherKindsActAsEmpty) {
  const FaceMap faces = Faces({{"S1", {1, 2}}, {"SNEG", {3}}});
  inpM_NodeAreaSurface nodes(Areas({{1, 1.0}, {2, 2.0}}));
  const inpM_AnalyticalSurface rigid;
  for (const inpM_PartInstanceSurface* other : {static_cast<const inpM_PartInstanceSurface*>(&nodes),
                                                static_cast<const inpM_PartInstanceSurface*>(&rigid)}) {
    inpM_ElementFaceIdSurface s(faces);
    s.Add(*other);
    s.Difference(*other);
    EXPECT_EQ(View(s), View(inpM_ElementFaceIdSurface(faces)));
    s.Intersection(*other);
    EXPECT_TRUE(View(s).empty());
  }
}

// The virtual combinations of two element-face surfaces work on the sets as
// held; they must give what the face-map combinations give.
TEST(ElementFaceIdSurface, SurfaceCombinationsMatchFaceMapCombinations) {
  std::mt19937 random(7);
  const char* labels[] = {"S1", "S2", "S3", "S4"};
  auto randomFaces = [&] {
    FaceMap map;
    for (const char* label : labels) {
      if (random() % 4 == 0) continue;
      Ids ids;
      const int n = static_cast<int>(random() % 6);  // 0, 1 (inline) or more ids
      for (int i = 0; i < n; ++i) ids.push_back(static_cast<int>(random() % 300) - 20);
      map.Insert(label, List(ids));
    }
    return map;
  };
  for (int round = 0; round < 300; ++round) {
    const FaceMap a = randomFaces();
    const FaceMap b = randomFaces();
    const inpM_ElementFaceIdSurface other(b);
    for (int op = 0; op < 3; ++op) {
      inpM_ElementFaceIdSurface bySurface(a);
      inpM_ElementFaceIdSurface byMap(a);
      if (op == 0) {
        bySurface.Add(static_cast<const inpM_PartInstanceSurface&>(other));
        byMap.Add(b);
      } else if (op == 1) {
        bySurface.Difference(static_cast<const inpM_PartInstanceSurface&>(other));
        byMap.Difference(b);
      } else {
        bySurface.Intersection(static_cast<const inpM_PartInstanceSurface&>(other));
        byMap.Intersection(b);
      }
      ASSERT_EQ(View(bySurface), View(byMap)) << "round " << round << " op " << op;
      ASSERT_EQ(View(other), View(inpM_ElementFaceIdSurface(b)));
    }
  }
}

TEST(ElementFaceIdSurface, CombiningWithItselfOrACopy) {
  const FaceMap faces = Faces({{"S1", {1, 2}}, {"S2", {3}}});
  inpM_ElementFaceIdSurface s(faces);
  s.Add(static_cast<const inpM_PartInstanceSurface&>(s));
  s.Intersection(static_cast<const inpM_PartInstanceSurface&>(s));
  EXPECT_EQ(View(s), View(inpM_ElementFaceIdSurface(faces)));

  const inpM_ElementFaceIdSurface copy = s;
  s.Difference(static_cast<const inpM_PartInstanceSurface&>(s));
  EXPECT_EQ(View(s), (std::map<std::string, Ids>{{"S1", {}}, {"S2", {}}}));
  EXPECT_EQ(View(copy), View(inpM_ElementFaceIdSurface(faces)));
}

TEST(ElementFaceIdSurface, CopyIsIndependentAndKeepsClassAndFlag) {
  inpM_ElementFaceIdSurface s(Faces({{"S1", {1, 2}}}));
  s.SetInternal(true);
  std::unique_ptr<inpM_PartInstanceSurface> copy(s.Copy());
  EXPECT_EQ(copy->GetSurfaceType(), inpM_ElementFaceIdSurfaceType);
  EXPECT_NE(dynamic_cast<inpM_ElementFaceIdSurface*>(copy.get()), nullptr);
  EXPECT_TRUE(copy->IsInternal());
  copy->Add(inpM_ElementFaceIdSurface(Faces({{"S1", {5}}, {"S2", {6}}})));
  EXPECT_EQ(View(s), (std::map<std::string, Ids>{{"S1", {1, 2}}}));
  EXPECT_EQ(View(*copy), (std::map<std::string, Ids>{{"S1", {1, 2, 5}}, {"S2", {6}}}));
  EXPECT_TRUE(copy->IsInternal());  // combining leaves the flag alone
  EXPECT_TRUE(copy->ConstGetNodeAreaList().IsEmpty());
}

// ---------------------------------------------------------------------------
// inpM_ElementFaceIdSurface: renumbering and cleaning

TEST(ElementFaceIdSurface, RenumberTranslatesEachFaceAndKeepsEmptiedFaces) {
  inpM_ElementFaceIdSurface s(Faces({{"S1", {1, 2, 9}}, {"S2", {8, 9}}, {"S3", {}}}));
  s.SetInternal(true);
  s.Renumber(Map({{1, 101}, {2, 102}, {3, 103}}), false);
  EXPECT_EQ(View(s), (std::map<std::string, Ids>{{"S1", {101, 102}}, {"S2", {}}, {"S3", {}}}));
  EXPECT_TRUE(s.IsInternal());

  s.Renumber(Map({{1, 101}, {2, 102}}), true);
  EXPECT_EQ(View(s), (std::map<std::string, Ids>{{"S1", {1, 2}}, {"S2", {}}, {"S3", {}}}));
}

TEST(ElementFaceIdSurface, InverseRenumberOfSharedGlobalIdTakesTheFirstLocal) {
  inpM_ElementFaceIdSurface s(Faces({{"S1", {50, 60, 70}}, {"S2", {60}}}));
  s.Renumber(Map({{3, 60}, {1, 50}, {2, 50}}), true);
  EXPECT_EQ(View(s), (std::map<std::string, Ids>{{"S1", {1, 3}}, {"S2", {3}}}));
}

TEST(ElementFaceIdSurface, CleanupDropsUnknownIdsWithoutTranslating) {
  inpM_ElementFaceIdSurface s(Faces({{"S1", {1, 2, 9}}, {"S2", {9}}}));
  s.Cleanup(Map({{1, 101}, {2, 102}}));
  EXPECT_EQ(View(s), (std::map<std::string, Ids>{{"S1", {1, 2}}, {"S2", {}}}));
}

// ---------------------------------------------------------------------------
// inpM_NodeAreaSurface

TEST(NodeAreaSurface, Combinations) {
  inpM_NodeAreaSurface s;
  s.Add(List({4, 2, 4}), 0.5);
  EXPECT_EQ(Nodes(s.ConstGetNodes()), (Entries{{2, 0.5}, {4, 0.5}}));
  s.Add(Areas({{4, 9.0}, {6, 6.0}}));  // 4 keeps its area: the table decides
  EXPECT_EQ(Nodes(s.ConstGetNodes()), (Entries{{2, 0.5}, {4, 0.5}, {6, 6.0}}));
  s.Difference(Areas({{2, 0.0}, {7, 0.0}}));
  EXPECT_EQ(Nodes(s.ConstGetNodes()), (Entries{{4, 0.5}, {6, 6.0}}));
  s.Intersection(Areas({{6, 60.0}, {4, 40.0}, {8, 80.0}}));
  EXPECT_EQ(Nodes(s.ConstGetNodes()), (Entries{{4, 40.0}, {6, 60.0}}));
}

TEST(NodeAreaSurface, OtherKindsActAsEmptyAndSelfIsStable) {
  const Entries entries{{1, 1.0}, {2, 2.0}};
  inpM_NodeAreaSurface s(Areas(entries));
  const inpM_ElementFaceIdSurface faces(Faces({{"S1", {1, 2}}}));
  s.Add(faces);
  s.Difference(inpM_AnalyticalSurface());
  EXPECT_EQ(Nodes(s.ConstGetNodes()), entries);
  s.Add(static_cast<const inpM_PartInstanceSurface&>(s));
  s.Intersection(static_cast<const inpM_PartInstanceSurface&>(s));
  EXPECT_EQ(Nodes(s.ConstGetNodes()), entries);
  const inpM_NodeAreaSurface copy = s;
  s.Difference(static_cast<const inpM_PartInstanceSurface&>(s));
  EXPECT_TRUE(s.ConstGetNodes().IsEmpty());
  EXPECT_EQ(Nodes(copy.ConstGetNodes()), entries);
  inpM_NodeAreaSurface t(Areas(entries));
  t.Intersection(faces);
  EXPECT_TRUE(t.ConstGetNodes().IsEmpty());
  EXPECT_TRUE(t.ConstGetFaceIdElementIdsMap().IsEmpty());
}

TEST(NodeAreaSurface, RenumberKeepsAreasAndDropsUnknownNodes) {
  const inpM_IdMap map = Map({{1, 101}, {2, 102}, {3, 103}});
  inpM_NodeAreaSurface all(Areas({{1, 0.1}, {3, 0.3}}));
  all.Renumber(map, false);
  EXPECT_EQ(Nodes(all.ConstGetNodes()), (Entries{{101, 0.1}, {103, 0.3}}));
  all.Renumber(map, true);
  EXPECT_EQ(Nodes(all.ConstGetNodes()), (Entries{{1, 0.1}, {3, 0.3}}));

  inpM_NodeAreaSurface some(Areas({{0, 0.5}, {1, 0.1}, {5, 0.5}, {3, 0.3}}));
  some.Renumber(map, false);
  EXPECT_EQ(Nodes(some.ConstGetNodes()), (Entries{{101, 0.1}, {103, 0.3}}));
  inpM_NodeAreaSurface back(Areas({{101, 0.1}, {1, 9.0}, {103, 0.3}}));
  back.Renumber(map, true);
  EXPECT_EQ(Nodes(back.ConstGetNodes()), (Entries{{1, 0.1}, {3, 0.3}}));

  inpM_NodeAreaSurface single(Areas({{2, 2.5}}));
  single.Renumber(map, false);
  EXPECT_EQ(Nodes(single.ConstGetNodes()), (Entries{{102, 2.5}}));
  single.Renumber(Map({}), false);
  EXPECT_TRUE(single.ConstGetNodes().IsEmpty());
}

TEST(NodeAreaSurface, InverseRenumberOfSharedGlobalIdTakesTheFirstLocal) {
  // Two local ids on one global id: the reverse table keeps the smaller
  // local id, whether the nodes line up or are taken one at a time.
  const inpM_IdMap map = Map({{1, 50}, {2, 50}, {3, 60}});
  inpM_NodeAreaSurface lined(Areas({{50, 5.0}, {60, 6.0}}));
  lined.Renumber(map, true);
  EXPECT_EQ(Nodes(lined.ConstGetNodes()), (Entries{{1, 5.0}, {3, 6.0}}));
  inpM_NodeAreaSurface unlined(Areas({{50, 5.0}, {60, 6.0}, {70, 7.0}}));
  unlined.Renumber(map, true);
  EXPECT_EQ(Nodes(unlined.ConstGetNodes()), (Entries{{1, 5.0}, {3, 6.0}}));
}

TEST(NodeAreaSurface, CleanupKeepsKnownNodesUntranslated) {
  inpM_NodeAreaSurface s(Areas({{1, 0.1}, {4, 0.4}, {3, 0.3}}));
  s.Cleanup(Map({{1, 101}, {3, 103}}));
  EXPECT_EQ(Nodes(s.ConstGetNodes()), (Entries{{1, 0.1}, {3, 0.3}}));
}

// ---------------------------------------------------------------------------
// inpM_AnalyticalSurface

TEST(AnalyticalSurface, EveryOperationLeavesItUnchanged) {
  inpM_AnalyticalSurface s;
  s.SetInternal(true);
  const inpM_ElementFaceIdSurface faces(Faces({{"S1", {1}}}));
  s.Add(faces);
  s.Difference(faces);
  s.Intersection(faces);
  s.Renumber(Map({{1, 2}}), false);
  s.Cleanup(Map({}));
  EXPECT_TRUE(s.IsInternal());
  EXPECT_TRUE(s.ConstGetFaceIdElementIdsMap().IsEmpty());
  EXPECT_TRUE(s.ConstGetNodeAreaList().IsEmpty());
  EXPECT_EQ(Printed(s), "1\n");
  std::unique_ptr<inpM_PartInstanceSurface> copy(s.Copy());
  EXPECT_EQ(copy->GetSurfaceType(), inpM_AnalyticalSurfaceType);
  EXPECT_TRUE(copy->IsInternal());
}

// ---------------------------------------------------------------------------
// Stored forms

TEST(SurfaceStoredForm, ElementFaceRecord) {
  inpM_ElementFaceIdSurface s(Faces({{"S2", {7}}, {"S1", {3, 1, 2}}, {"\"E 1\"", {4}}}));
  s.Difference("S2", List({7}));
  EXPECT_EQ(Printed(s),
            "0\n3\n"
            "\"E 1\"\n1\n4 \n"
            "S1\n3\n1 2 3 \n"
            "S2\n0\n");
  s.SetInternal(true);
  EXPECT_EQ(Printed(inpM_ElementFaceIdSurface()), "0\n0\n");
  EXPECT_EQ(Printed(s).substr(0, 2), "1\n");
}

TEST(SurfaceStoredForm, NodeAreaRecordHasIdAndAreaOnSeparateLines) {
  inpM_NodeAreaSurface s(Areas({{5, 0.5}, {2, 2.0}, {-3, 1e-07}}));
  s.SetInternal(true);
  EXPECT_EQ(Printed(s), "1\n3\n-3\n1e-07\n2\n2\n5\n0.5\n");
  EXPECT_EQ(Printed(inpM_NodeAreaSurface()), "0\n0\n");
}

TEST(SurfaceStoredForm, EveryKindReadsBackToTheSameText) {
  inpM_ElementFaceIdSurface faces(Faces({{"S1", {3, 1, 2}}, {"SPOS", {}}, {"EDGE", {5}}}));
  faces.SetInternal(true);
  inpM_NodeAreaSurface nodes(Areas({{5, 0.1}, {2, 1.0 / 3.0}, {0, 2.0}}));
  inpM_AnalyticalSurface rigid;
  rigid.SetInternal(true);
  const inpM_PartInstanceSurface* surfaces[] = {&faces, &nodes, &rigid, &nodes};
  for (const inpM_PartInstanceSurface* s : surfaces) {
    const std::string text = Printed(*s);
    aio_istringstream in(text + "next\n");
    const inpM_PartInstanceSurfaceCOW back = CreateSurface(s->GetSurfaceType(), in);
    ASSERT_TRUE(back.HasValue());
    EXPECT_EQ(back->GetSurfaceType(), s->GetSurfaceType());
    EXPECT_EQ(back->IsInternal(), s->IsInternal());
    EXPECT_EQ(View(*back), View(*s));
    EXPECT_EQ(Nodes(back->ConstGetNodeAreaList()), Nodes(s->ConstGetNodeAreaList()));
    EXPECT_EQ(Printed(*back), text);
    char line[132];
    in.getline(line, 132);  // the reader stops at the end of its record
    EXPECT_STREQ(line, "next");
  }
}

TEST(SurfaceStoredForm, AnyNonZeroFlagReadsAsInternal) {
  aio_istringstream in("-4 trailing words\n0\n");
  const inpM_ElementFaceIdSurface s(in);
  EXPECT_TRUE(s.IsInternal());
  EXPECT_TRUE(View(s).empty());
}

// ---------------------------------------------------------------------------
// Factory

TEST(CreateSurface, KindCodes) {
  for (int kind = 0; kind < 3; ++kind) {
    const inpM_PartInstanceSurfaceCOW s = CreateSurface(static_cast<inpM_SurfaceTypes>(kind));
    ASSERT_TRUE(s.HasValue());
    EXPECT_EQ(s->GetSurfaceType(), kind);
    EXPECT_FALSE(s->IsInternal());
    EXPECT_TRUE(s->ConstGetFaceIdElementIdsMap().IsEmpty());
    EXPECT_TRUE(s->ConstGetNodeAreaList().IsEmpty());
  }
  EXPECT_FALSE(CreateSurface(static_cast<inpM_SurfaceTypes>(3)).HasValue());
  EXPECT_FALSE(CreateSurface(static_cast<inpM_SurfaceTypes>(-1)).HasValue());
}

TEST(CreateSurface, UnknownKindFromStreamIsReportedAndBuildsNothing) {
  aio_istringstream in("0\n");
  EXPECT_EQ(ErrorOf([&] { (void)CreateSurface(static_cast<inpM_SurfaceTypes>(7), in); }), "Unknown surface type 7");
  EXPECT_EQ(ErrorOf([&] { (void)CreateSurface(static_cast<inpM_SurfaceTypes>(-2147483647 - 1), in); }),
            "Unknown surface type -2147483648");
  EXPECT_EQ(in.scan_int(), 0);  // nothing of the stream was taken
}

// ---------------------------------------------------------------------------
// Damaged records

TEST(SurfaceReaders, DamagedFieldsStopTheReaderWithItsClassName) {
  struct Case {
    int kind;
    const char* text;
    const char* message;
  };
  const std::string longFace(140, 'F');
  const std::string longLine = "0\n1\n" + longFace + "\n0\n";
  const Case cases[] = {
      {0, "x\n0\n", "inpM_ElementFaceIdSurface reading failed."},
      {0, "0\n-1\n", "inpM_ElementFaceIdSurface reading failed."},
      {0, "0\n2000000000\n", "inpM_ElementFaceIdSurface reading failed."},
      {0, "0\n1\nS1\n-5\n", "inpM_ElementFaceIdSurface reading failed."},
      {0, "0\n1\nS1\n2000000000\n1 2 \n", "inpM_ElementFaceIdSurface reading failed."},
      {0, "0\n1\nS1\n1\n2147483647 \n", "inpM_ElementFaceIdSurface reading failed."},
      {0, "0\n1\nS1\n1\n99999999999 \n", "inpM_ElementFaceIdSurface reading failed."},
      {0, longLine.c_str(), "inpM_ElementFaceIdSurface reading failed."},
      {1, "0\n-3\n", "inpM_NodeAreaSurface reading failed."},
      {1, "0\n2000000000\n1\n0.5\n", "inpM_NodeAreaSurface reading failed."},
      {1, "0\n1\n1\nhalf\n", "inpM_NodeAreaSurface reading failed."},
      {1, "0\n1\n1\n1e999\n", "inpM_NodeAreaSurface reading failed."},
      {2, "", "inpM_AnalyticalSurface reading failed."},
      {2, "one\n", "inpM_AnalyticalSurface reading failed."},
  };
  for (const Case& c : cases) {
    aio_istringstream in(c.text);
    EXPECT_EQ(ErrorOf([&] { (void)CreateSurface(static_cast<inpM_SurfaceTypes>(c.kind), in); }), c.message)
        << c.text;
  }
}

}  // namespace
