

#include "part_map_testing.h"

namespace {

using namespace partmap_testing;
using NameList = std::vector<std::string>;

inpM_SortedSet Sorted(Ids v) { return inpM_SortedSet(L(std::move(v))); }

inpM_SetMap Sample() {
  inpM_SetMap m;
  inpM_UnsortedSet u(L({5, 3}));
  u.SetTypeFlag(inpM_InternalSet);
  m.InsertSet("A1", u);
  m.InsertSet("\"Q\"", Sorted({2, 1}));
  m.InsertNestedSetMap("I1", inpM_BaseSetMap());
  m.InsertNestedSet("I2", "S", Sorted({7}));
  return m;
}
// Sets in ascending name order (the quote sorts first), names without quotes,
// 0 or 1 for sorted or unsorted before each set's record; then the nested maps.
const std::string kSample =
    "2\nQ\n0\n0\n2\n1 2 \n0\n0\nA1\n1\n1\n1\n1\n2\n5 3 \n"
    "2\nI1\n0\n0\nI2\n1\nS\n0\n0\n1\n7 \n0\n0\n0\n";

TEST(SetMapStoredForm, GoldenAndRoundTrip) {
  EXPECT_EQ(Printed(inpM_SetMap()), "0\n0\n");
  EXPECT_EQ(Printed(Sample()), kSample);
  aio_istringstream in(kSample);
  const inpM_SetMap back(in);
  // Read back without its quotes, Q now sorts after A1.
  const std::string kBack =
      "2\nA1\n1\n1\n1\n1\n2\n5 3 \nQ\n0\n0\n2\n1 2 \n0\n0\n"
      "2\nI1\n0\n0\nI2\n1\nS\n0\n0\n1\n7 \n0\n0\n0\n";
  EXPECT_EQ(Printed(back), kBack);
  EXPECT_TRUE(back.ConstGetSet("A1").IsUnsorted());
}

TEST(SetMapEdits, InsertCopiesAndReplacesMergeAdds) {
  inpM_SetMap m;
  EXPECT_TRUE(m.IsEmpty());
  inpM_SortedSet s = Sorted({1});
  m.InsertSet("A", s);
  s.Add(2);
  EXPECT_EQ(V(m.ConstGetSet("A").ConstGetIds()), Ids{1});
  m.MergeSet("A", s);
  m.MergeSet("B", inpM_UnsortedSet(L({3})));
  m.MergeSet("B", inpM_UnsortedSet(L({3})));
  EXPECT_EQ(V(m.ConstGetSet("A").ConstGetIds()), (Ids{1, 2}));
  EXPECT_EQ(V(m.ConstGetSet("B").ConstGetIds()), (Ids{3, 3}));
  m.InsertSet("A", Sorted({9}));
  EXPECT_EQ(V(m.ConstGetSet("A").ConstGetIds()), Ids{9});

  m.MergeNestedSet("I", "S", Sorted({1}));  // no map yet: inserted
  m.MergeNestedSet("I", "T", Sorted({2}));  // map without the set: inserted
  m.MergeNestedSet("I", "S", Sorted({3}));  // both there: added
  EXPECT_EQ(V(m.ConstGetNestedSet("I", "S").ConstGetIds()), (Ids{1, 3}));
  m.InsertNestedSet("I", "S", Sorted({4}));  // replaces one set
  EXPECT_EQ(V(m.ConstGetNestedSet("I", "S").ConstGetIds()), Ids{4});
  EXPECT_TRUE(m.HasNestedSet("I", "T"));
  inpM_BaseSetMap only;
  only.Insert("U", CreateSet(L({5}), false, false));
  m.InsertNestedSetMap("I", only);  // replaces all of them
  EXPECT_FALSE(m.HasNestedSet("I", "S"));
  EXPECT_FALSE(m.RemoveNestedSet("I", "T"));
  EXPECT_FALSE(m.RemoveNestedSet("J", "U"));
  EXPECT_TRUE(m.RemoveNestedSet("I", "U"));
  EXPECT_EQ(Names(m.Instances()), NameList{"I"});  // removing the last nested set keeps the map

  EXPECT_EQ(ErrorOf([&] { m.ConstGetSet("S"); }), "Set S does not exist");
  EXPECT_EQ(ErrorOf([&] { m.ConstGetNestedSet("I3", "S"); }), "Instance I3 does not exist");
  EXPECT_EQ(ErrorOf([&] { m.ConstGetNestedSet("I", "S"); }), "Set S does not exist");
}

TEST(SetMapEdits, SearchAssemblyFirstThenInstancesByName) {
  inpM_SetMap m;
  m.InsertSet("X", Sorted({1}));
  m.InsertNestedSet("I2", "Y", Sorted({1}));
  m.InsertNestedSet("I1", "X", Sorted({1}));
  m.InsertNestedSet("I1", "Y", Sorted({1}));
  m.InsertNestedSet("I2", "Z", Sorted({1}));
  cow_String instance = "unchanged";
  const std::pair<const char*, const char*> searches[] = {{"X", ""}, {"Y", "I1"}, {"Z", "I2"}};
  for (const auto& [set, found] : searches) {
    EXPECT_TRUE(m.SearchAssemblyAndInstancesForSet(set, instance));
    EXPECT_EQ(instance.str(), found);
  }
  EXPECT_FALSE(m.SearchAssemblyAndInstancesForSet("W", instance));
  EXPECT_EQ(instance.str(), "I2");
}

TEST(SetMapEdits, MergeRenameDeleteAndOffsetsOnACopy) {
  const inpM_SetMap original = Sample();
  inpM_SetMap m = original;
  inpM_SetMap other;
  other.InsertSet("\"Q\"", Sorted({3}));
  other.InsertNestedSet("I2", "S", Sorted({8}));
  other.InsertNestedSet("I3", "R", Sorted({9}));
  m.Merge(other);
  EXPECT_EQ(V(m.ConstGetSet("\"Q\"").ConstGetIds()), (Ids{1, 2, 3}));
  EXPECT_EQ(V(m.ConstGetNestedSet("I2", "S").ConstGetIds()), (Ids{7, 8}));
  EXPECT_EQ(V(m.ConstGetNestedSet("I3", "R").ConstGetIds()), Ids{9});
  m.ChangeInstanceName("I3", "I3");
  m.ChangeInstanceName("I3", "I2");  // replaces I2's map
  m.ChangeInstanceName("I9", "I1");
  EXPECT_EQ(Names(m.Instances()), (NameList{"I1", "I2"}));
  EXPECT_TRUE(m.HasNestedSet("I2", "R"));
  const std::string before = Printed(m);
  m.InsertDuplicateOffsetIds(1000, 2);
  EXPECT_EQ(Printed(m), before);
  m.DeleteAllSetsExceptThoseListed(cow_List<cow_String>{"A1", "S"});
  EXPECT_EQ(Printed(m), "1\nA1\n1\n1\n1\n1\n2\n5 3 \n2\nI1\n0\n0\nI2\n0\n0\n");
  EXPECT_EQ(Printed(original), kSample);
}

// Assembly ids 1 -> 11, 2 -> 12; instance I: 5 -> 50.
inpM_IdMap Map() { return IdMapOf({{1, 11}, {2, 12}}, {{"I", {{5, 50}}}}); }

TEST(SetMapIdMap, RenumberAllOrNothingAtTheAssembly) {
  inpM_SetMap m;
  m.InsertSet("A", Sorted({1, 2}));
  m.InsertNestedSet("I", "S", Sorted({5}));
  m.InsertNestedSet("J", "T", Sorted({5}));
  m.Renumber(Map(), false);
  EXPECT_EQ(V(m.ConstGetSet("A").ConstGetIds()), (Ids{11, 12}));
  EXPECT_EQ(V(m.ConstGetNestedSet("I", "S").ConstGetIds()), Ids{50});
  EXPECT_EQ(V(m.ConstGetNestedSet("J", "T").ConstGetIds()), Ids{5});
  inpM_SetMap bad;
  bad.InsertSet("A", Sorted({1}));
  bad.InsertSet("B", Sorted({3}));
  EXPECT_THROW(bad.Renumber(Map(), false), nex_TextException);
  EXPECT_EQ(V(bad.ConstGetSet("A").ConstGetIds()), Ids{1});
}

TEST(SetMapIdMap, CleanupRemovesEmptiedSetsAndReportsThem) {
  inpM_SetMap m;
  m.InsertSet("C", Sorted({1, 3}));
  m.InsertSet("B", inpM_UnsortedSet(L({4})));
  m.InsertSet("A", Sorted({3}));
  m.InsertSet("D", inpM_SortedSet());  // already empty: stays, not named
  inpM_SortedSet onlyEntry;
  onlyEntry.Add("I", 6);  // left with an empty entry: counts as emptied
  m.InsertSet("E", onlyEntry);
  m.InsertNestedSet("I", "S", Sorted({6}));
  m.InsertNestedSet("J", "T", Sorted({100}));
  const inpM_SetMap copy = m;
  const cow_List<atr_String> report = m.Cleanup(Map());
  const std::string heading = "The following sets are empty and will be removed: ";
  ASSERT_EQ(report.Size(), 2);
  EXPECT_EQ(report[0].str(), heading + "\n    A, B, E\n\n");
  EXPECT_EQ(report[1].str(), heading + "\n    S\n\n");
  EXPECT_EQ(Names(m.ConstGetSets().Keys()), (NameList{"C", "D"}));
  EXPECT_EQ(V(m.ConstGetSet("C").ConstGetIds()), Ids{1});
  EXPECT_TRUE(m.HasNestedSet("J", "T"));
  EXPECT_EQ(Printed(copy).substr(0, 2), "5\n");

  wip_Capture capture;
  inpM_SetMap again = copy;
  again.CleanupShowWarning(Map());
  EXPECT_EQ(capture.Text(), "***WARNING: " + report[0].str() + "\n" + report[1].str() + "\n");
  capture.Reset();
  again.CleanupShowWarning(Map());
  EXPECT_EQ(capture.Text(), "");
}

}  // namespace
