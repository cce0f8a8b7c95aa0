#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "inpM_IdMap.h"
#include "mem.h"
#include "nex.h"
#include "wip.h"
#include "testing.h"

namespace {

using Pairs = std::vector<std::pair<int, int>>;

Pairs PairsOf(const omi_IntTable<int>& table) {
  Pairs pairs;
  table.ForEach([&pairs](int k, int v) { pairs.emplace_back(k, v); });
  return pairs;
}

inpM_IdMap MapOf(const Pairs& pairs) {
  inpM_IdMap map;
  for (const auto& [local, global] : pairs) map.Insert(local, global);
  return map;
}

std::vector<int> Ids(const cow_1DArrayList<int>& list) { return list.ConstVector(); }

template <class F>
std::string TextExceptionOf(F&& f) {
  try {
    f();
  } catch (const nex_TextException& e) {
    return e.UserReport().str();
  }
  ADD_FAILURE() << "no exception";
  return {};
}

std::string Printed(const inpM_IdMap& map) {
  aio_ostringstream out;
  map.Print(out);
  return out.str();
}

std::string Stored(const inpM_InstanceMaps& maps) {
  aio_ostringstream out;
  maps.Print(out);
  return out.str();
}

// The root of the examples: assembly ids 1 -> 101 and 2 -> 102, instance
// "I1" with 1 -> 1, 2 -> 2, 3 -> 3 and instance "I2" with 1 -> 11 .. 4 -> 14.
inpM_IdMap Model() {
  inpM_IdMap root = MapOf({{1, 101}, {2, 102}});
  root.InsertInstance("I1", MapOf({{1, 1}, {2, 2}, {3, 3}}));
  root.InsertInstance("I2", MapOf({{1, 11}, {2, 12}, {3, 13}, {4, 14}}));
  return root;
}

const char kUndefined[] = "The following undefined nodes or elements were encountered:";

// ---------------------------------------------------------------------------
// Building and reading

TEST(IdMapLookup, BuildersAndLookups) {
  inpM_IdMap map;
  map.Insert(5, 50);
  map.Insert(5, 51);  // an existing local id keeps its global id
  EXPECT_EQ(map.ConstGet(5), 50);
  EXPECT_EQ(map.Find(6), nullptr);
  EXPECT_FALSE(map.HasInstance("A"));
  map.GetInstance("A").Insert(1, 2);
  map.GetInstance("A").Insert(3, 4);  // the same sub-map again
  EXPECT_TRUE(map.HasInstance("A"));
  EXPECT_EQ(PairsOf(map.ConstGet(cow_String("A")).ConstGetIds()), (Pairs{{1, 2}, {3, 4}}));
}

TEST(IdMapLookup, UnknownInstanceAndIdAreReported) {
  const inpM_IdMap map = Model();
  EXPECT_EQ(ErrorOf([&] { map.ConstGet(cow_String("I3")); }), "Unknown instance name I3");
  EXPECT_EQ(ErrorOf([&] { map.ConstGet(3); }), "Unknown instance id 3");
  EXPECT_EQ(ErrorOf([&] { map.ConstGet(-12); }), "Unknown instance id -12");
  EXPECT_EQ(ErrorOf([&] { map.ConstGet(cow_String("I1")).ConstGet(cow_String("I1")); }),
            "Unknown instance name I1");
}

TEST(IdMapLookup, PathDescendsByName) {
  inpM_IdMap root;
  root.GetInstance("A").GetInstance("B").Insert(1, 7);
  EXPECT_EQ(root.ConstGet(cow_List<cow_String>{"A", "B"}).ConstGet(1), 7);
  EXPECT_EQ(&root.ConstGet(cow_List<cow_String>{"A"}), &root.ConstGet(cow_String("A")));
  // The empty path descends nowhere: the map itself.
  EXPECT_EQ(&root.ConstGet(cow_List<cow_String>{}), &root);
  EXPECT_EQ(ErrorOf([&] { root.ConstGet(cow_List<cow_String>{"A", "C"}); }), "Unknown instance name C");
}

TEST(IdMapLookup, CountsAndNames) {
  const inpM_IdMap root = Model();
  EXPECT_EQ(root.NumberIds(), 9);
  EXPECT_EQ(Names(root.Instances()), (std::vector<std::string>{"I1", "I2"}));
  EXPECT_EQ(inpM_IdMap().NumberIds(), 0);
  EXPECT_TRUE(inpM_IdMap().Instances().IsEmpty());
  inpM_IdMap deep;
  deep.GetInstance("A").GetInstance("B").Insert(1, 1);
  EXPECT_EQ(deep.NumberIds(), 1);
}

TEST(IdMapLookup, LargestAndSmallestIdLookAtGlobalIdsOfAllLevels) {
  EXPECT_EQ(inpM_IdMap().LargestId(), 1);
  EXPECT_EQ(inpM_IdMap().SmallestId(), 999999999);
  const inpM_IdMap zero = MapOf({{5, 0}});
  EXPECT_EQ(zero.LargestId(), 1);
  EXPECT_EQ(zero.SmallestId(), 0);
  inpM_IdMap root = MapOf({{1000, 50}});  // local ids play no part
  root.GetInstance("A").GetInstance("B").Insert(1, 2000000000);
  root.GetInstance("C").Insert(9, -4);
  EXPECT_EQ(root.LargestId(), 2000000000);
  EXPECT_EQ(root.SmallestId(), -4);
}

TEST(IdMapLookup, BuiltFromInstanceIdMaps) {
  inpM_InstanceIdMaps maps;
  maps.assembly = inpM_InstanceMaps(MapOf({{1, 100}}));
  maps.instances.Insert("B", inpM_InstanceMaps(MapOf({{2, 20}})));
  maps.instances.Insert("A", inpM_InstanceMaps(MapOf({{1, 10}, {3, 30}})));
  const inpM_IdMap map(maps);
  EXPECT_EQ(Names(map.Instances()), (std::vector<std::string>{"A", "B"}));
  // The root shares the assembly table; each instance has a table of its own.
  EXPECT_EQ(&map.ConstGetIds(), maps.assembly.localToGlobal.ConstPtr());
  EXPECT_NE(&map.ConstGet(cow_String("A")).ConstGetIds(), maps.instances.ConstGet("A").localToGlobal.ConstPtr());
  EXPECT_EQ(PairsOf(map.ConstGet(cow_String("A")).ConstGetIds()), (Pairs{{1, 10}, {3, 30}}));
  EXPECT_EQ(PairsOf(map.ConstGet(cow_String("B")).ConstGetIds()), (Pairs{{2, 20}}));
  EXPECT_EQ(map.NumberIds(), 4);
}

TEST(IdMapLookup, PrintDump) {
  inpM_IdMap root = MapOf({{2, 20}, {1, 10}});
  root.GetInstance("B");
  root.GetInstance("\"I-1\"").Insert(5, 105);
  root.GetInstance("\"I-1\"").GetInstance("Deep").Insert(-1, 7);
  EXPECT_EQ(Printed(root),
            "2\n"
            "1 10\n"
            "2 20\n"
            "\"I-1\"\n"
            "1\n"
            "5 105\n"
            "Deep\n"
            "1\n"
            "-1 7\n"
            "B\n"
            "0\n");
  EXPECT_EQ(Printed(inpM_IdMap()), "0\n");
}

// ---------------------------------------------------------------------------
// Translation

TEST(IdMapRenumber, ArrayInPlace) {
  const inpM_IdMap map = MapOf({{3, 30}, {4, 40}});
  int ids[] = {4, 0, 3, 4};
  map.Renumber(ids, 4);
  EXPECT_EQ(std::vector<int>(ids, ids + 4), (std::vector<int>{40, 0, 30, 40}));

  const inpM_IdMap withZero = MapOf({{0, 9}});
  int zero[] = {0};
  withZero.Renumber(zero, 1);
  EXPECT_EQ(zero[0], 9);

  map.Renumber(nullptr, 0);
}

TEST(IdMapRenumber, ArrayWithUndefinedIdsRaisesAndKeepsTheWorkDone) {
  const inpM_IdMap map = MapOf({{3, 30}});
  int ids[] = {7, 3, 0};
  EXPECT_EQ(TextExceptionOf([&] { map.Renumber(ids, 3); }), std::string(kUndefined) + "\n    7\n\n");
  EXPECT_EQ(std::vector<int>(ids, ids + 3), (std::vector<int>{0, 30, 0}));
  EXPECT_EQ(PairsOf(map.ConstGetIds()), (Pairs{{3, 30}}));  // the map is unchanged
}

TEST(IdMapRenumber, UndefinedIdsKeepTheirOrderAndDuplicates) {
  const inpM_IdMap map = MapOf({{1, 1}});
  EXPECT_EQ(TextExceptionOf([&] { map.Renumber(cow_1DArrayList<int>{7, 1, 3, 7}, false); }),
            std::string(kUndefined) + "\n    7, 3, 7\n\n");
}

TEST(IdMapRenumber, LongListsOfUndefinedIdsWrap) {
  const inpM_IdMap map;
  std::vector<int> ids;
  for (int i = 1; i <= 7; ++i) ids.push_back(-1000000000 - i);
  EXPECT_EQ(TextExceptionOf([&] { map.Renumber(ids.data(), 7); }),
            std::string(kUndefined) +
                "\n    -1000000001, -1000000002, -1000000003, -1000000004, -1000000005, -1000000006"
                "\n    -1000000007\n\n");
}

TEST(IdMapRenumber, ListLocalToGlobal) {
  const inpM_IdMap map = MapOf({{3, 30}, {4, 40}});
  EXPECT_EQ(Ids(map.Renumber(cow_1DArrayList<int>{4, 0, 3}, false)), (std::vector<int>{40, 0, 30}));
  EXPECT_TRUE(map.Renumber(cow_1DArrayList<int>{}, false).IsEmpty());
  EXPECT_EQ(TextExceptionOf([&] { map.Renumber(cow_1DArrayList<int>{5, 3}, false); }),
            std::string(kUndefined) + "\n    5\n\n");
}

TEST(IdMapRenumber, ListGlobalToLocal) {
  const inpM_IdMap map = MapOf({{3, 30}, {4, 40}, {0, 0}});
  EXPECT_EQ(Ids(map.Renumber(cow_1DArrayList<int>{40, 30, 0, 40}, true)), (std::vector<int>{4, 3, 0, 4}));
  // An id that is no global id of the level has no local id: it yields
  // nothing and raises nothing, in both forms.
  EXPECT_EQ(Ids(map.Renumber(cow_1DArrayList<int>{3, 40, 99}, true)), std::vector<int>{4});
  EXPECT_EQ(Ids(map.CleanupAndRenumber(cow_1DArrayList<int>{3, 40, 99}, true)), std::vector<int>{4});
}

TEST(IdMapRenumber, CleanupAndRenumberDropsWithoutMessage) {
  const inpM_IdMap map = MapOf({{3, 30}, {4, 40}});
  EXPECT_TRUE(map.CleanupAndRenumber(cow_1DArrayList<int>{1, 2, 0}, false).IsEmpty());
  EXPECT_EQ(Ids(map.CleanupAndRenumber(cow_1DArrayList<int>{4, 0, 9, 3, 4}, false)), (std::vector<int>{40, 30, 40}));
}

TEST(IdMapRenumber, CleanupKeepsLocalIdsUntranslated) {
  const inpM_IdMap map = MapOf({{3, 30}, {4, 40}});
  EXPECT_EQ(Ids(map.Cleanup(cow_1DArrayList<int>{4, 0, 30, 3, 4})), (std::vector<int>{4, 3, 4}));
  EXPECT_TRUE(inpM_IdMap().Cleanup(cow_1DArrayList<int>{1}).IsEmpty());
}

// ---------------------------------------------------------------------------
// Changing maps

TEST(IdMapEdit, MergeCombinesSharedInstancesAndTakesOverTheOthers) {
  inpM_IdMap a = MapOf({{1, 10}});
  a.GetInstance("Both").Insert(1, 100);
  a.GetInstance("OnlyA").Insert(1, 1000);
  inpM_IdMap b = MapOf({{1, 11}, {2, 20}});
  b.GetInstance("Both").Insert(1, 101);
  b.GetInstance("Both").Insert(2, 200);
  b.GetInstance("OnlyB").Insert(5, 500);
  const inpM_IdMap before = a;

  a.Merge(b);
  // An existing key keeps its value (the table's insertion rule).
  EXPECT_EQ(PairsOf(a.ConstGetIds()), (Pairs{{1, 10}, {2, 20}}));
  EXPECT_EQ(PairsOf(a.ConstGet(cow_String("Both")).ConstGetIds()), (Pairs{{1, 100}, {2, 200}}));
  EXPECT_EQ(Names(a.Instances()), (std::vector<std::string>{"Both", "OnlyA", "OnlyB"}));
  // Taken over whole: the same storage as the other's sub-map.
  EXPECT_EQ(&a.ConstGet(cow_String("OnlyB")), &b.ConstGet(cow_String("OnlyB")));
  // An untouched sub-map is still shared with the copy taken before.
  EXPECT_EQ(&a.ConstGet(cow_String("OnlyA")), &before.ConstGet(cow_String("OnlyA")));
  // Neither the copy nor the other map changed.
  EXPECT_EQ(PairsOf(before.ConstGetIds()), (Pairs{{1, 10}}));
  EXPECT_EQ(PairsOf(before.ConstGet(cow_String("Both")).ConstGetIds()), (Pairs{{1, 100}}));
  EXPECT_EQ(Names(before.Instances()), (std::vector<std::string>{"Both", "OnlyA"}));
  EXPECT_EQ(PairsOf(b.ConstGet(cow_String("Both")).ConstGetIds()), (Pairs{{1, 101}, {2, 200}}));
}

TEST(IdMapEdit, MergeWithItselfOrWithNothingChangesNothing) {
  inpM_IdMap a = Model();
  a.Merge(a);
  EXPECT_EQ(Printed(a), Printed(Model()));
  const inpM_IdMap before = a;
  a.Merge(inpM_IdMap());
  EXPECT_EQ(&a.ConstGetIds(), &before.ConstGetIds());  // nothing was copied
}

TEST(IdMapEdit, DuplicateOffsetIds) {
  inpM_IdMap map = MapOf({{1, 5}});
  map.InsertDuplicateOffsetIds(1000, 2);
  EXPECT_EQ(PairsOf(map.ConstGetIds()), (Pairs{{1, 5}, {1005, 1005}, {2005, 2005}}));
  inpM_IdMap negative = MapOf({{7, 10}});
  negative.InsertDuplicateOffsetIds(-4, 3);
  EXPECT_EQ(PairsOf(negative.ConstGetIds()), (Pairs{{-2, -2}, {2, 2}, {6, 6}, {7, 10}}));
  // Offset 1 makes each copy the next id: a walk that met the copies would
  // never end, and (2, 2) already present keeps its place.
  inpM_IdMap chain = MapOf({{1, 1}, {2, 2}});
  chain.InsertDuplicateOffsetIds(1, 1);
  EXPECT_EQ(PairsOf(chain.ConstGetIds()), (Pairs{{1, 1}, {2, 2}, {3, 3}}));
}

TEST(IdMapEdit, DuplicateOffsetIdsDescendAndCopyOnlyWhatChanges) {
  inpM_IdMap map = MapOf({{1, 1}});
  map.GetInstance("A").Insert(2, 20);
  map.GetInstance("A").GetInstance("Deep").Insert(3, 30);
  map.GetInstance("Empty");
  const inpM_IdMap before = map;
  map.InsertDuplicateOffsetIds(100, 1);
  EXPECT_EQ(PairsOf(map.ConstGetIds()), (Pairs{{1, 1}, {101, 101}}));
  EXPECT_EQ(PairsOf(map.ConstGet(cow_String("A")).ConstGetIds()), (Pairs{{2, 20}, {120, 120}}));
  EXPECT_EQ(PairsOf(map.ConstGet(cow_List<cow_String>{"A", "Deep"}).ConstGetIds()), (Pairs{{3, 30}, {130, 130}}));
  EXPECT_EQ(before.NumberIds(), 3);
  EXPECT_EQ(&map.ConstGet(cow_String("Empty")), &before.ConstGet(cow_String("Empty")));
}

TEST(IdMapEdit, DuplicateOffsetIdsNothingToAdd) {
  inpM_IdMap map = MapOf({{1, 5}});
  const inpM_IdMap before = map;
  map.InsertDuplicateOffsetIds(1000, 0);
  map.InsertDuplicateOffsetIds(1000, -3);
  EXPECT_EQ(&map.ConstGetIds(), &before.ConstGetIds());
  // No offset: every copy is the id itself.
  map.InsertDuplicateOffsetIds(0, 2147483647);
  EXPECT_EQ(PairsOf(map.ConstGetIds()), (Pairs{{1, 5}, {5, 5}}));
}

TEST(IdMapEdit, DuplicateOffsetIdsStopAtTheEndOfTheIdRange) {
  inpM_IdMap up = MapOf({{1, 2147483000}});
  up.InsertDuplicateOffsetIds(600, 2147483647);
  EXPECT_EQ(PairsOf(up.ConstGetIds()), (Pairs{{1, 2147483000}, {2147483600, 2147483600}}));
  inpM_IdMap down = MapOf({{2, -2147483000}});
  down.InsertDuplicateOffsetIds(-600, 2147483647);
  EXPECT_EQ(PairsOf(down.ConstGetIds()), (Pairs{{-2147483600, -2147483600}, {2, -2147483000}}));
}

// ---------------------------------------------------------------------------
// Table pairs and their stored form

TEST(InstanceMaps, BuiltFromTheOwnLevelOfAMap) {
  const inpM_IdMap root = Model();
  const inpM_InstanceMaps maps(root);
  EXPECT_EQ(PairsOf(maps.localToGlobal.ConstGet()), (Pairs{{1, 101}, {2, 102}}));
  EXPECT_EQ(PairsOf(maps.globalToLocal.ConstGet()), (Pairs{{101, 1}, {102, 2}}));
  EXPECT_EQ(maps.localToGlobal.ConstPtr(), &root.ConstGetIds());  // shared

  const inpM_InstanceMaps empty{inpM_IdMap()};
  EXPECT_EQ(empty.localToGlobal->Size(), 0);
  EXPECT_EQ(empty.globalToLocal->Size(), 0);
}

TEST(InstanceMaps, StoredForm) {
  EXPECT_EQ(Stored(inpM_InstanceMaps()), "0\n");
  EXPECT_EQ(Stored(inpM_InstanceMaps(MapOf({{2, 7}, {1, 9}, {-3, 8}}))),
            "3\n"
            "7 2\n"
            "8 -3\n"
            "9 1\n"
            "-3 8\n"
            "1 9\n"
            "2 7\n");
}

TEST(InstanceMaps, StoredFormRoundTripsByteForByte) {
  inpM_IdMap map;
  for (int i = -50; i < 3000; i += 7) map.Insert(i, 3000000 - 3 * i);
  map.Insert(-2147483647 - 1, 2147483647);
  const std::string text = Stored(inpM_InstanceMaps(map));
  aio_istringstream in(text + "rest of the record\n");
  const inpM_InstanceMaps read(in);
  EXPECT_FALSE(in.fail());
  EXPECT_EQ(PairsOf(read.localToGlobal.ConstGet()), PairsOf(map.ConstGetIds()));
  EXPECT_EQ(Stored(read), text);
  char rest[132];
  in.getline(rest, 132);  // the caller's line end
  in.getline(rest, 132);
  EXPECT_STREQ(rest, "rest of the record");
}

TEST(InstanceMaps, ReaderStopsAtTheFirstFailedRead) {
  struct Case {
    const char* text;
    Pairs globalToLocal;
    Pairs localToGlobal;
  };
  const Case cases[] = {
      {"", {}, {}},
      {"x", {}, {}},
      {"-1\n", {}, {}},
      {"2\n5 1\n", {{5, 1}}, {}},
      {"2\n5 1\n6", {{5, 1}}, {}},
      {"2\n5 1\n6 2\n1 5\nx 6\n", {{5, 1}, {6, 2}}, {{1, 5}}},
      {"2147483647\n1 2\n", {{1, 2}}, {}},
      {"99999999999\n1 2\n", {}, {}},
      {"1\n1 99999999999\n", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    aio_istringstream in(c.text);
    const inpM_InstanceMaps read(in);
    EXPECT_TRUE(in.fail());
    EXPECT_EQ(PairsOf(read.globalToLocal.ConstGet()), c.globalToLocal);
    EXPECT_EQ(PairsOf(read.localToGlobal.ConstGet()), c.localToGlobal);
  }
}

TEST(InstanceMaps, ReaderSurvivesEveryPrefixAndByteChange) {
  const std::string text = Stored(inpM_InstanceMaps(MapOf({{1, 10}, {2, 20}, {-3, 30}})));
  for (size_t n = 0; n <= text.size(); ++n) {
    aio_istringstream in(text.substr(0, n));
    const inpM_InstanceMaps read(in);
    EXPECT_LE(read.globalToLocal->Size(), 3);
    EXPECT_LE(read.localToGlobal->Size(), 3);
  }
  for (size_t i = 0; i < text.size(); ++i) {
    for (const char c : std::string("0-9 \nx+")) {
      std::string changed = text;
      changed[i] = c;
      aio_istringstream in(changed);
      const inpM_InstanceMaps read(in);
      EXPECT_LE(read.globalToLocal->Size(), 9);
      EXPECT_LE(read.localToGlobal->Size(), 9);
    }
  }
}

TEST(InstanceMaps, CopiesShareTheirTables) {
  const inpM_InstanceMaps a(MapOf({{1, 2}}));
  inpM_InstanceMaps b = a;
  EXPECT_TRUE(b.globalToLocal.SharesWith(a.globalToLocal));
  b.globalToLocal.Get().Insert(9, 9);
  EXPECT_EQ(a.globalToLocal->Size(), 1);
  inpM_InstanceIdMaps all;
  all.instances.Insert("A", a);
  all.instances.Insert("B", b);
  EXPECT_EQ(all.Size(), 2);
}

}  // namespace
