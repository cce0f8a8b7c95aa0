

#include "part_map_testing.h"

namespace {

using namespace partmap_testing;
using NameList = std::vector<std::string>;

Pairs PairsOf(const omi_IntTable<int>& table) {
  Pairs pairs;
  table.ForEach([&pairs](int k, int v) { pairs.emplace_back(k, v); });
  return pairs;
}

Pairs PairsOf(const inpM_IdMap& map) { return PairsOf(map.ConstGetIds()); }

// The report of the internal error that `f` raises.
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

const std::string kUndefined = "The following undefined nodes or elements were encountered:";

// Assembly ids 1 -> 101 and 2 -> 102, instance "I1" with 1 -> 1 .. 3 -> 3 and
// instance "I2" with 1 -> 11 .. 4 -> 14.
inpM_IdMap Model() {
  return IdMapOf({{1, 101}, {2, 102}},
                 {{"I1", {{1, 1}, {2, 2}, {3, 3}}}, {"I2", {{1, 11}, {2, 12}, {3, 13}, {4, 14}}}});
}

TEST(IdMapLookup, BuildersLookupsCountsAndExtremes) {
  inpM_IdMap map;
  map.Insert(5, 50);
  map.Insert(5, 51);  // an existing local id keeps its global id
  EXPECT_EQ(map.ConstGet(5), 50);
  EXPECT_EQ(map.Find(6), nullptr);
  EXPECT_FALSE(map.HasInstance("A"));
  map.GetInstance("A").Insert(1, 2);
  map.GetInstance("A").Insert(3, 4);  // the same sub-map again
  EXPECT_EQ(PairsOf(map.ConstGet(cow_String("A"))), (Pairs{{1, 2}, {3, 4}}));
  map.GetInstance("A").GetInstance("B").Insert(1, 7);
  EXPECT_EQ(map.ConstGet(cow_List<cow_String>{"A", "B"}).ConstGet(1), 7);  // a path descends by name
  EXPECT_EQ(&map.ConstGet(cow_List<cow_String>{}), &map);
  EXPECT_EQ(map.NumberIds(), 4);
  EXPECT_EQ(Model().NumberIds(), 9);
  EXPECT_EQ(Names(Model().Instances()), (NameList{"I1", "I2"}));

  const inpM_IdMap model = Model();
  EXPECT_EQ(ErrorOf([&] { model.ConstGet(cow_String("I3")); }), "Unknown instance name I3");
  EXPECT_EQ(ErrorOf([&] { model.ConstGet(3); }), "Unknown instance id 3");
  EXPECT_EQ(ErrorOf([&] { model.ConstGet(-12); }), "Unknown instance id -12");
  EXPECT_EQ(ErrorOf([&] { model.ConstGet(cow_String("I1")).ConstGet(cow_String("I1")); }), "Unknown instance name I1");
  EXPECT_EQ(ErrorOf([&] { map.ConstGet(cow_List<cow_String>{"A", "C"}); }), "Unknown instance name C");
  // The largest and smallest ids look at the global ids of all levels.
  EXPECT_EQ(inpM_IdMap().LargestId(), 1);
  EXPECT_EQ(inpM_IdMap().SmallestId(), 999999999);
  EXPECT_EQ(IdMapOf({{5, 0}}).LargestId(), 1);
  EXPECT_EQ(IdMapOf({{5, 0}}).SmallestId(), 0);
  inpM_IdMap root = IdMapOf({{1000, 50}}, {{"C", {{9, -4}}}});  // local ids play no part
  root.GetInstance("A").GetInstance("B").Insert(1, 2000000000);
  EXPECT_EQ(root.LargestId(), 2000000000);
  EXPECT_EQ(root.SmallestId(), -4);
}

TEST(IdMapLookup, BuiltFromInstanceIdMapsAndPrinted) {
  inpM_InstanceIdMaps maps;
  maps.assembly = inpM_InstanceMaps(IdMapOf({{1, 100}}));
  maps.instances.Insert("B", inpM_InstanceMaps(IdMapOf({{2, 20}})));
  maps.instances.Insert("A", inpM_InstanceMaps(IdMapOf({{1, 10}, {3, 30}})));
  const inpM_IdMap map(maps);
  EXPECT_EQ(Printed(map), "1\n1 100\nA\n2\n1 10\n3 30\nB\n1\n2 20\n");

  inpM_IdMap root = IdMapOf({{2, 20}, {1, 10}}, {{"B", {}}, {"\"I-1\"", {{5, 105}}}});
  root.GetInstance("\"I-1\"").GetInstance("Deep").Insert(-1, 7);
  EXPECT_EQ(Printed(root), "2\n1 10\n2 20\n\"I-1\"\n1\n5 105\nDeep\n1\n-1 7\nB\n0\n");
  EXPECT_EQ(Printed(inpM_IdMap()), "0\n");
}

TEST(IdMapRenumber, ArraysInPlaceListsBothWaysAndUndefinedIds) {
  const inpM_IdMap map = IdMapOf({{3, 30}, {4, 40}, {0, 9}});
  int ids[] = {4, 0, 3, 4};
  map.Renumber(ids, 4);
  EXPECT_EQ(std::vector<int>(ids, ids + 4), (Ids{40, 9, 30, 40}));
  map.Renumber(nullptr, 0);
  EXPECT_EQ(V(map.Renumber(L({4, 0, 3}), false)), (Ids{40, 9, 30}));
  EXPECT_TRUE(map.Renumber(L({}), false).IsEmpty());
  EXPECT_EQ(V(map.Renumber(L({40, 30, 9, 40}), true)), (Ids{4, 3, 0, 4}));
  // An id that is no global id of the level has no local id: it yields
  // nothing and raises nothing, in both forms.
  EXPECT_EQ(V(map.Renumber(L({3, 40, 99}), true)), Ids{4});
  EXPECT_EQ(V(map.CleanupAndRenumber(L({3, 40, 99}), true)), Ids{4});
  // Unknown local ids are dropped without a message, or kept untranslated.
  EXPECT_EQ(V(map.CleanupAndRenumber(L({4, 1, 99, 3, 4}), false)), (Ids{40, 30, 40}));
  EXPECT_EQ(V(map.Cleanup(L({4, 1, 30, 3, 4}))), (Ids{4, 3, 4}));
  EXPECT_TRUE(inpM_IdMap().Cleanup(L({1})).IsEmpty());
  // Undefined ids are listed in order and wrapped.
  const inpM_IdMap one = IdMapOf({{3, 30}});
  int some[] = {7, 3, 0};
  EXPECT_EQ(TextExceptionOf([&] { one.Renumber(some, 3); }), kUndefined + "\n    7\n\n");  // 0 is no id
  EXPECT_EQ(std::vector<int>(some, some + 3), (Ids{0, 30, 0}));                           // the work done is kept
  EXPECT_EQ(PairsOf(one), (Pairs{{3, 30}}));
  EXPECT_EQ(TextExceptionOf([&] { one.Renumber(L({7, 3, 1, 7}), false); }), kUndefined + "\n    7, 1, 7\n\n");
  Ids many;
  for (int i = 1; i <= 7; ++i) many.push_back(-1000000000 - i);
  EXPECT_EQ(TextExceptionOf([&] { inpM_IdMap().Renumber(many.data(), 7); }),
            kUndefined +
                "\n    -1000000001, -1000000002, -1000000003, -1000000004, -1000000005, -1000000006"
                "\n    -1000000007\n\n");
}

TEST(IdMapEdit, MergeCombinesSharedInstancesAndTakesOverTheOthers) {
  inpM_IdMap a = IdMapOf({{1, 10}}, {{"Both", {{1, 100}}}, {"OnlyA", {{1, 1000}}}});
  const inpM_IdMap b = IdMapOf({{1, 11}, {2, 20}}, {{"Both", {{1, 101}, {2, 200}}}, {"OnlyB", {{5, 500}}}});
  const inpM_IdMap before = a;
  a.Merge(b);
  // An existing key keeps its value (the table's insertion rule).
  EXPECT_EQ(Printed(a), "2\n1 10\n2 20\nBoth\n2\n1 100\n2 200\nOnlyA\n1\n1 1000\nOnlyB\n1\n5 500\n");
  EXPECT_EQ(Printed(before), "1\n1 10\nBoth\n1\n1 100\nOnlyA\n1\n1 1000\n");
  EXPECT_EQ(PairsOf(b.ConstGet(cow_String("Both"))), (Pairs{{1, 101}, {2, 200}}));

  inpM_IdMap self = Model();
  self.Merge(self);
  self.Merge(inpM_IdMap());
  EXPECT_EQ(Printed(self), Printed(Model()));
}

TEST(IdMapEdit, DuplicateOffsetIds) {
  const struct { Pairs pairs; int offset, copies; Pairs expected; } cases[] = {
      {{{1, 5}}, 1000, 2, {{1, 5}, {1005, 1005}, {2005, 2005}}},
      {{{7, 10}}, -4, 3, {{-2, -2}, {2, 2}, {6, 6}, {7, 10}}},
      // Offset 1 makes each copy the next id: a walk that met the copies
      // would never end, and (2, 2) already present keeps its place.
      {{{1, 1}, {2, 2}}, 1, 1, {{1, 1}, {2, 2}, {3, 3}}},
      {{{1, 5}}, 1000, 0, {{1, 5}}},
      {{{1, 5}}, 1000, -3, {{1, 5}}},
      {{{1, 5}}, 0, 2147483647, {{1, 5}, {5, 5}}},  // no offset: every copy is the id itself
      // Copies stop at the end of the id range.
      {{{1, 2147483000}}, 600, 2147483647, {{1, 2147483000}, {2147483600, 2147483600}}},
      {{{2, -2147483000}}, -600, 2147483647, {{-2147483600, -2147483600}, {2, -2147483000}}},
  };
  for (const auto& c : cases) {
    inpM_IdMap map = IdMapOf(c.pairs);
    map.InsertDuplicateOffsetIds(c.offset, c.copies);
    EXPECT_EQ(PairsOf(map), c.expected) << c.offset << " " << c.copies;
  }
  // Every level is done; a copy taken before keeps its ids.
  inpM_IdMap map = IdMapOf({{1, 1}}, {{"A", {{2, 20}}}, {"Empty", {}}});
  map.GetInstance("A").GetInstance("Deep").Insert(3, 30);
  const inpM_IdMap before = map;
  map.InsertDuplicateOffsetIds(100, 1);
  EXPECT_EQ(Printed(map), "2\n1 1\n101 101\nA\n2\n2 20\n120 120\nDeep\n2\n3 30\n130 130\nEmpty\n0\n");
  EXPECT_EQ(before.NumberIds(), 3);
}

TEST(InstanceMaps, BuiltFromTheOwnLevelStoredAndReadBack) {
  const inpM_InstanceMaps maps(Model());
  EXPECT_EQ(PairsOf(maps.globalToLocal.ConstGet()), (Pairs{{101, 1}, {102, 2}}));
  inpM_InstanceMaps copy = maps;
  copy.globalToLocal.Get().Insert(9, 9);
  EXPECT_EQ(maps.globalToLocal->Size(), 2);
  EXPECT_EQ(Printed(inpM_InstanceMaps()), "0\n");
  EXPECT_EQ(Printed(inpM_InstanceMaps(IdMapOf({{2, 7}, {1, 9}, {-3, 8}}))), "3\n7 2\n8 -3\n9 1\n-3 8\n1 9\n2 7\n");

  inpM_IdMap map;
  for (int i = -50; i < 3000; i += 7) map.Insert(i, 3000000 - 3 * i);
  map.Insert(-2147483647 - 1, 2147483647);
  const std::string text = Printed(inpM_InstanceMaps(map));
  aio_istringstream in(text + "rest of the record\n");
  const inpM_InstanceMaps read(in);
  EXPECT_FALSE(in.fail());
  EXPECT_EQ(Printed(read), text);
  char rest[132];
  in.getline(rest, 132);  // the caller's line end
  in.getline(rest, 132);
  EXPECT_STREQ(rest, "rest of the record");
  // A failed read is left for the caller to report (the pairs read so far
  // are never used).
  for (const char* bad : {"", "x", "-1\n", "2\n5 1\n6", "2\n5 1\n6 2\n1 5\nx 6\n", "2147483647\n1 2\n",
                          "99999999999\n1 2\n", "1\n1 99999999999\n"}) {
    aio_istringstream damaged(bad);
    const inpM_InstanceMaps partial(damaged);
    EXPECT_TRUE(damaged.fail()) << bad;
  }
}

}  // namespace
