
#include <algorithm>
#include <climits>
#include <numeric>

#include "part_map_testing.h"

namespace {

using namespace partmap_testing;

// Top-level 1 2 3, entry B {5}, entry A {7 9}, subset S {4}.
inpM_SortedSet Sample() {
  inpM_SortedSet s(L({3, 1, 2}));
  s.Add("A", L({9, 7}));
  s.Add("\"B\"", 5);
  s.Add("S", inpM_SortedSet(L({4})));
  return s;
}
// Written by hand from the stored form: entries by smallest id (B before A),
// names without quotes, every id followed by a blank.
const std::string kSample = "0\n3\n1 2 3 \n2\nB\n1\n5 \nA\n2\n7 9 \n1\nS\n0\n1\n4 \n0\n0\n";

// Assembly ids 1..3 -> 101..103; instance A: 7 -> 70, 9 -> 90; instance S: 4 -> 40.
inpM_IdMap Map() { return IdMapOf({{1, 101}, {2, 102}, {3, 103}}, {{"A", {{7, 70}, {9, 90}}}, {"S", {{4, 40}}}}); }

TEST(SortedSetLevels, OneCopyPerLevelAndListingOrders) {
  inpM_SortedSet s;
  EXPECT_TRUE(s.IsEmpty());
  s.Add("E", cow_1DArrayList<int>());
  EXPECT_FALSE(s.IsEmpty());  // an empty entry keeps the set non-empty
  s.Add(5);
  s.Add(5);
  s.Add("A", 5);
  EXPECT_EQ(V(s.ConstGetIds()), (Ids{5, 5}));
  EXPECT_EQ(Printed(s), "0\n1\n5 \n2\nA\n1\n5 \nE\n0\n0\n");

  s = Sample();
  s.Add("Z", cow_1DArrayList<int>());  // empty entries come last
  s.Add("T", inpM_SortedSet(L({1})));  // subsets' ids by smallest id, names by name
  s.Add("A", inpM_SortedSet(L({8})));  // a name both entry and subset
  s.Add("R", inpM_SortedSet(L({1})));  // ties: by name
  EXPECT_EQ(V(s.ConstGetIds()), (Ids{1, 2, 3, 5, 7, 9, 1, 1, 4, 8}));
  EXPECT_EQ(Names(s.GatherRootLevelInstanceNames()), (std::vector<std::string>{"\"B\"", "A", "Z", "A", "R", "S", "T"}));
  const inpM_InstanceIdsMap m = s.ConstGetInstanceIdsMap();
  EXPECT_EQ(V(m.ConstGet("A")), (Ids{7, 9, 8}));
  EXPECT_EQ(m.Size(), 6);
  EXPECT_EQ(s.SmallestId(), 1);
  EXPECT_EQ(inpM_SortedSet().SmallestId(), inpM_OmiSet::kEmptyMarker);
  // The subset iterator visits its own copy.
  std::vector<std::string> names;
  inpM_MapString2SortedSetNSIT it(s.ConstGetInstanceSubsets());
  s.ChangeInstanceName("T", "X");
  for (it.First(); !it.IsDone(); it.Next()) names.push_back(it.CurrentKey().str());
  EXPECT_EQ(names, (std::vector<std::string>{"R", "T", "S", "A"}));
}

TEST(SortedSetAdd, UnionLevelByLevelAndOtherKinds) {
  inpM_SortedSet a = Sample();
  inpM_SortedSet b(L({4}));
  b.Add("A", 1);
  b.Add("N", 2);
  b.Add("S", inpM_SortedSet(L({5})));
  const std::string before = Printed(b);
  a.Add(b);
  a.Add(a);
  EXPECT_EQ(Printed(a), "0\n4\n1 2 3 4 \n3\nA\n3\n1 7 9 \nN\n1\n2 \nB\n1\n5 \n1\nS\n0\n2\n4 5 \n0\n0\n");
  EXPECT_EQ(Printed(b), before);

  inpM_SortedSet s;
  inpM_UnsortedSet u(L({3, 1}));
  u.Add("P", 7);
  s.Add(u);
  EXPECT_EQ(V(s.ConstGetTopLevelIds()), (Ids{1, 3}));
  EXPECT_EQ(V(s.ConstGetInstanceSubsets().ConstGet("P")->ConstGetTopLevelIds()), Ids{7});
  s.Add("Q", u);
  EXPECT_EQ(V(s.ConstGetInstanceSubsets().ConstGet("Q")->ConstGetIds()), (Ids{1, 3, 7}));
  const std::string added = Printed(s);
  s.Add(inpM_IntegerSet(L({50})));  // component sets add nothing
  s.Add("Q", inpM_SetNamePair("R", inpM_IntegerSet(L({51}))));
  EXPECT_EQ(Printed(s), added);
}

TEST(SortedSetRemove, LevelOrderOneOccurrence) {
  inpM_SortedSet s;
  s.Add("B", 5);
  s.Add("A", 5);
  s.Add("S", inpM_SortedSet(L({5})));
  s.Add(5);
  const inpM_SortedSetHandle shared = s.ConstGetInstanceSubsets().ConstGet("S");
  EXPECT_TRUE(s.Remove(5));
  EXPECT_TRUE(s.ConstGetTopLevelIds().IsEmpty());
  EXPECT_TRUE(s.Remove(5));
  EXPECT_TRUE(s.ConstGetSecondLevelIds("A").IsEmpty());
  EXPECT_EQ(V(s.ConstGetSecondLevelIds("B")), Ids{5});
  EXPECT_TRUE(s.Remove(5));
  EXPECT_TRUE(s.Remove(5));
  EXPECT_TRUE(s.ConstGetInstanceSubsets().ConstGet("S")->ConstGetIds().IsEmpty());
  EXPECT_EQ(V(shared->ConstGetIds()), Ids{5});  // a sharing copy keeps its id
  EXPECT_FALSE(s.Remove(5));
}

// Large sets are renumbered a container at a time, whole stretches moved at
// once where the map numbers them consecutively. The translation must be the
// one the id list gets, whatever the map does inside a container: a break
// in the middle of a stretch, shifts by whole containers and by odd bit
// counts, down and up, a shuffled stretch, two ids sent to one, a key the map
// lacks between members of the set, and 0 without a pair.
TEST(SortedSetIdMap, LargeSetsRenumberAsTheirIdList) {
  Pairs pairs;
  for (int k = 1; k < 100000; ++k) pairs.emplace_back(k, k + 1000000);                      // by 1000000
  for (int k = 100000; k < 140000; ++k) pairs.emplace_back(k, k - 99000 + (k >= 120000 ? 37 : 0));  // break
  for (int k = 140000; k < 200000; ++k) pairs.emplace_back(k, 2 * 65536 + (k * 7919) % 60000 + 3000000);
  pairs.emplace_back(200000, 3000000 + 2 * 65536);  // onto an id of the shuffled stretch
  for (int k = 262144; k < 262144 + 65536; ++k)
    if (k != 262144 + 30000) pairs.emplace_back(k, k - 200000 - 65536 * 3 + 13);
  Ids ids;
  for (int k = 0; k < 262144 + 65536; k += (k < 60000 ? 1 : 5)) ids.push_back(k);
  const inpM_IdMap map = IdMapOf(pairs);
  const auto expectAsList = [](const Ids& set, const inpM_IdMap& by) {
    inpM_SortedSet s(L(set));
    s.Renumber(by, false);
    Ids want = V(by.Renumber(L(set), false));
    std::sort(want.begin(), want.end());
    want.erase(std::unique(want.begin(), want.end()), want.end());
    EXPECT_EQ(V(s.ConstGetTopLevelSet().ConstGetArrayCounterpart()), want);
  };
  Ids kept;
  for (int id : ids)
    if (id != 262144 + 30000 && (id <= 200000 || id >= 262144)) kept.push_back(id);
  expectAsList(kept, map);
  // A stretch whose translations count up to INT_MAX and go on from
  // INT_MIN is not one stretch.
  Pairs wrapping;
  for (int k = 0; k < 4096; ++k)
    wrapping.emplace_back(k, static_cast<int>(static_cast<unsigned>(INT_MAX) - 2047u + static_cast<unsigned>(k)));
  Ids all(4096);
  std::iota(all.begin(), all.end(), 0);
  expectAsList(all, IdMapOf(wrapping));
  // An id the map lacks: reported, and the set stays as it was.
  inpM_SortedSet t(L(ids));
  EXPECT_THROW(t.Renumber(map, false), nex_TextException);
  EXPECT_EQ(V(t.ConstGetTopLevelSet().ConstGetArrayCounterpart()), ids);
}

TEST(SortedSetIdMap, RenumberCleanupAndRename) {
  inpM_SortedSet s = Sample();
  s.Add("Other", 1);
  s.Renumber(Map(), false);  // entries of instances unknown to the map stay
  EXPECT_EQ(Printed(s), "0\n3\n101 102 103 \n3\nOther\n1\n1 \nB\n1\n5 \nA\n2\n70 90 \n1\nS\n0\n1\n40 \n0\n0\n");
  s.Renumber(Map(), true);
  EXPECT_EQ(Printed(s), "0\n3\n1 2 3 \n3\nOther\n1\n1 \nB\n1\n5 \nA\n2\n7 9 \n1\nS\n0\n1\n4 \n0\n0\n");
  EXPECT_THROW(inpM_SortedSet(L({1, 4})).Renumber(Map(), false), nex_TextException);

  inpM_SortedSet c(L({1, 4, 5}));
  c.Add("A", L({8, 7}));
  c.Add("X", 8);  // an instance unknown to the map keeps its ids
  c.Add("S", inpM_SortedSet(L({4, 6})));
  c.Cleanup(Map());
  EXPECT_EQ(Printed(c), "0\n1\n1 \n2\nA\n1\n7 \nX\n1\n8 \n1\nS\n0\n1\n4 \n0\n0\n");
  inpM_SortedSet emptied;
  emptied.Add("A", 1);
  emptied.Cleanup(Map());
  EXPECT_FALSE(emptied.IsEmpty());  // an emptied entry stays
  EXPECT_TRUE(emptied.ConstGetIds().IsEmpty());
  inpM_SortedSet unknown;
  unknown.Add("Nowhere", inpM_SortedSet(L({1})));
  EXPECT_EQ(ErrorOf([&] { unknown.Cleanup(Map()); }), "Unknown instance name Nowhere");

  s = Sample();
  s.ChangeInstanceName("A", "A");
  EXPECT_EQ(Printed(s), kSample);
  s.Add("S", 6);
  s.Add("T", inpM_SortedSet(L({8})));
  s.Add("T", 8);
  s.ChangeInstanceName("S", "T");  // moves subset and entry, replacing the target's
  EXPECT_EQ(V(s.ConstGetSecondLevelIds("T")), Ids{6});
  EXPECT_EQ(V(s.ConstGetInstanceSubsets().ConstGet("T")->ConstGetIds()), Ids{4});
  EXPECT_FALSE(s.ConstGetInstanceSubsets().IsMember("S"));
}

TEST(SortedSetStoredForm, GoldenAndRoundTrip) {
  inpM_SortedSet empty;
  empty.SetTypeFlag(inpM_InsertedInternalSet);
  EXPECT_EQ(Printed(empty), "2\n0\n0\n0\n");
  EXPECT_EQ(Printed(Sample()), kSample);
  aio_istringstream in(kSample);
  const inpM_SortedSet back(in);
  EXPECT_EQ(Printed(back), kSample);
  EXPECT_EQ(V(back.ConstGetSecondLevelIds("B")), Ids{5});  // quotes were dropped
  // Entries and subsets are inserted by name, in any order of the file.
  aio_istringstream swapped("0\n0\n2\nA\n2\n7 9 \nB\n1\n5 \n0\n");
  EXPECT_EQ(Printed(inpM_SortedSet(swapped)), "0\n0\n2\nB\n1\n5 \nA\n2\n7 9 \n0\n");
}

}  // namespace
