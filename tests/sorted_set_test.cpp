#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inpM_IdMap.h"
#include "inpM_Set.h"
#include "nex.h"
#include "wip.h"

namespace {

using Ids = std::vector<int>;
Ids V(const cow_1DArrayList<int>& l) { return l.ConstVector(); }
cow_1DArrayList<int> L(Ids v) { return cow_1DArrayList<int>(std::move(v)); }

std::string Printed(const inpM_BaseSet& s) {
  aio_ostringstream out;
  s.Print(out);
  return out.str();
}

// The message of the error that reading `text` as a sorted set reports, or ""
// when it reads.
std::string ReadError(const std::string& text) {
  wip_Capture capture;
  aio_istringstream in(text);
  try {
    inpM_SortedSet s(in);
  } catch (const wip_ErrorException& e) {
    return e.Message().str();
  }
  return "";
}

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
const std::string kSample =
    "0\n3\n1 2 3 \n2\nB\n1\n5 \nA\n2\n7 9 \n1\nS\n0\n1\n4 \n0\n0\n";

// Assembly ids 1..3 -> 101..103; instance A: 7 -> 70, 9 -> 90; instance S: 4 -> 40.
inpM_IdMap Map() {
  inpM_IdMap m;
  for (int i = 1; i <= 3; ++i) m.Insert(i, 100 + i);
  m.GetInstance("A").Insert(7, 70);
  m.GetInstance("A").Insert(9, 90);
  m.GetInstance("S").Insert(4, 40);
  return m;
}

TEST(SortedSetLevels, OneCopyPerLevelButLevelsStayApart) {
  inpM_SortedSet s;
  s.Add(5);
  s.Add(5);
  s.Add("A", 5);
  EXPECT_EQ(V(s.ConstGetIds()), (Ids{5, 5}));
  EXPECT_EQ(V(s.ConstGetTopLevelIds()), Ids{5});
  EXPECT_EQ(V(s.ConstGetSecondLevelIds("A")), Ids{5});
  EXPECT_TRUE(s.ConstGetSecondLevelIds("S").IsEmpty());  // subsets are not consulted
  EXPECT_FALSE(s.IsUnsorted());
  EXPECT_EQ(s.GetSetKind(), 4);
}

TEST(SortedSetLevels, AnEmptyEntryKeepsTheSetNonEmpty) {
  inpM_SortedSet s;
  EXPECT_TRUE(s.IsEmpty());
  s.Add("A", cow_1DArrayList<int>());
  EXPECT_FALSE(s.IsEmpty());
  EXPECT_TRUE(s.ConstGetIds().IsEmpty());
  EXPECT_EQ(s.GatherRootLevelInstanceNames(), (cow_List<cow_String>{"A"}));
}

TEST(SortedSetLevels, ListingOrders) {
  inpM_SortedSet s = Sample();
  s.Add("Z", cow_1DArrayList<int>());           // empty entries come last
  s.Add("T", inpM_SortedSet(L({1})));           // subsets by smallest id too
  s.Add("A", inpM_SortedSet(L({8})));           // a name both entry and subset
  EXPECT_EQ(V(s.ConstGetIds()), (Ids{1, 2, 3, 5, 7, 9, 1, 4, 8}));
  EXPECT_EQ(s.GatherRootLevelInstanceNames(), (cow_List<cow_String>{"\"B\"", "A", "Z", "A", "S", "T"}));
  const inpM_InstanceIdsMap m = s.ConstGetInstanceIdsMap();
  EXPECT_EQ(V(m.ConstGet("A")), (Ids{7, 9, 8}));
  EXPECT_EQ(V(m.ConstGet("S")), Ids{4});
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(s.SmallestId(), 1);
  EXPECT_EQ(inpM_SortedSet().SmallestId(), inpM_OmiSet::kEmptyMarker);
}

TEST(SortedSetLevels, SubsetIteratorOrdersBySmallestIdThenNameOnItsOwnCopy) {
  inpM_SortedSet s;
  s.Add("E", inpM_SortedSet());
  s.Add("D", inpM_SortedSet(L({6})));
  s.Add("C", inpM_SortedSet(L({9})));
  s.Add("B", inpM_SortedSet(L({9})));
  std::vector<std::string> names;
  inpM_MapString2SortedSetNSIT it(s.ConstGetInstanceSubsets());
  s.ChangeInstanceName("D", "X");  // the iterator keeps what it was given
  for (it.First(); !it.IsDone(); it.Next()) names.push_back(it.CurrentKey().str());
  EXPECT_EQ(names, (std::vector<std::string>{"D", "B", "C", "E"}));
}

TEST(SortedSetAdd, UnionLevelByLevel) {
  inpM_SortedSet a = Sample();
  inpM_SortedSet b(L({4}));
  b.Add("A", 1);
  b.Add("N", 2);
  b.Add("S", inpM_SortedSet(L({5})));
  const inpM_SortedSet before = b;
  a.Add(b);
  EXPECT_EQ(V(a.ConstGetTopLevelIds()), (Ids{1, 2, 3, 4}));
  EXPECT_EQ(V(a.ConstGetSecondLevelIds("A")), (Ids{1, 7, 9}));
  EXPECT_EQ(V(a.ConstGetSecondLevelIds("N")), Ids{2});
  EXPECT_EQ(V(a.ConstGetInstanceSubsets().ConstGet("S")->ConstGetIds()), (Ids{4, 5}));
  EXPECT_EQ(Printed(b), Printed(before));
  a.Add(a);
  EXPECT_EQ(V(a.ConstGetTopLevelIds()), (Ids{1, 2, 3, 4}));
}

TEST(SortedSetAdd, OtherKinds) {
  inpM_SortedSet s;
  inpM_UnsortedSet u(L({3, 1}));
  u.Add("P", 7);
  s.Add(u);
  EXPECT_EQ(V(s.ConstGetTopLevelIds()), (Ids{1, 3}));
  EXPECT_EQ(V(s.ConstGetInstanceSubsets().ConstGet("P")->ConstGetTopLevelIds()), Ids{7});
  s.Add("Q", u);
  EXPECT_EQ(V(s.ConstGetInstanceSubsets().ConstGet("Q")->ConstGetIds()), (Ids{1, 3, 7}));
  const std::string before = Printed(s);
  s.Add(inpM_IntegerSet(L({50})));
  s.Add("Q", inpM_SetNamePair("R", inpM_IntegerSet(L({51}))));
  EXPECT_EQ(Printed(s), before);
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

TEST(SortedSetIdMap, RenumberThroughEachLevelsMap) {
  inpM_SortedSet s = Sample();
  s.Add("Other", 1);
  s.Renumber(Map(), false);
  EXPECT_EQ(V(s.ConstGetTopLevelIds()), (Ids{101, 102, 103}));
  EXPECT_EQ(V(s.ConstGetSecondLevelIds("A")), (Ids{70, 90}));
  EXPECT_EQ(V(s.ConstGetSecondLevelIds("\"B\"")), Ids{5});  // instance unknown to the map
  EXPECT_EQ(V(s.ConstGetSecondLevelIds("Other")), Ids{1});
  EXPECT_EQ(V(s.ConstGetInstanceSubsets().ConstGet("S")->ConstGetIds()), Ids{40});
  s.Renumber(Map(), true);
  EXPECT_EQ(V(s.ConstGetTopLevelIds()), (Ids{1, 2, 3}));
  inpM_SortedSet bad(L({1, 4}));
  EXPECT_THROW(bad.Renumber(Map(), false), nex_TextException);
}

TEST(SortedSetIdMap, CleanupKeepsEmptiedEntriesAndReportsUnknownSubsets) {
  inpM_SortedSet s(L({1, 4, 5}));
  s.Add("A", L({8, 7}));
  s.Add("X", 8);
  s.Add("S", inpM_SortedSet(L({4, 6})));
  s.Cleanup(Map());
  EXPECT_EQ(V(s.ConstGetTopLevelIds()), Ids{1});
  EXPECT_EQ(V(s.ConstGetSecondLevelIds("A")), Ids{7});
  EXPECT_EQ(V(s.ConstGetSecondLevelIds("X")), Ids{8});
  EXPECT_EQ(V(s.ConstGetInstanceSubsets().ConstGet("S")->ConstGetIds()), Ids{4});
  inpM_SortedSet emptied;
  emptied.Add("A", 1);
  emptied.Cleanup(Map());
  EXPECT_FALSE(emptied.IsEmpty());
  EXPECT_TRUE(emptied.ConstGetIds().IsEmpty());
  wip_Capture capture;
  inpM_SortedSet unknown;
  unknown.Add("Nowhere", inpM_SortedSet(L({1})));
  try {
    unknown.Cleanup(Map());
    FAIL();
  } catch (const wip_ErrorException& e) {
    EXPECT_EQ(e.Message().str(), "Unknown instance name Nowhere");
  }
}

TEST(SortedSetRename, MovesSubsetAndEntryReplacingTarget) {
  inpM_SortedSet s = Sample();
  s.ChangeInstanceName("A", "A");
  EXPECT_EQ(Printed(s), kSample);
  s.Add("S", 6);
  s.Add("T", inpM_SortedSet(L({8})));
  s.Add("T", 8);
  s.ChangeInstanceName("S", "T");
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
  inpM_SortedSet back(in);
  EXPECT_EQ(Printed(back), kSample);
  EXPECT_EQ(V(back.ConstGetSecondLevelIds("B")), Ids{5});  // quotes were dropped
  EXPECT_EQ(ReadError("2\n0\n0\n0\n"), "");
  // Entries and subsets are inserted by name, in any order of the file.
  aio_istringstream swapped("0\n0\n2\nA\n2\n7 9 \nB\n1\n5 \n0\n");
  EXPECT_EQ(Printed(inpM_SortedSet(swapped)), "0\n0\n2\nB\n1\n5 \nA\n2\n7 9 \n0\n");
}

TEST(SortedSetStoredForm, BadInputStopsWithTheMessage) {
  const std::string failed = "inpM_SortedSet reading failed.";
  for (size_t n = 0; n < kSample.size(); ++n) EXPECT_EQ(ReadError(kSample.substr(0, n)), failed) << n;
  EXPECT_EQ(ReadError("0\n-1\n0\n0\n"), failed);
  EXPECT_EQ(ReadError("0\n2147483647\n1 2 \n"), failed);
  EXPECT_EQ(ReadError("0\n0\n1\nA\n2000000000\n1 \n0\n"), failed);
  EXPECT_EQ(ReadError("0\n0\nx\n0\n"), failed);
  // A name line longer than 131 bytes stops the reader; 131 bytes still read.
  EXPECT_EQ(ReadError(std::string("0\n0\n1\n") + std::string(132, 'N') + "\n0\n0\n"), failed);
  EXPECT_EQ(ReadError(std::string("0\n0\n1\n") + std::string(131, 'N') + "\n0\n0\n"), "");
  // Subsets nested without end stop at a fixed depth, not at the stack's end.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "0\n0\n0\n1\nS\n";
  EXPECT_EQ(ReadError(deep), failed);
}

}  // namespace
