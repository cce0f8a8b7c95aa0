#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "inpM_GlobalIndex.h"
#include "inpM_ModelGenerator.h"
#include "inpM_PartMap.h"
#include "part_map_testing.h"

namespace {

using namespace partmap_testing;

// The model of the part file's worked example: instance BLOCK-1 of part BLOCK
// with nodes 1, 2 and element 1 (local = global), and assembly node 1 = 3.
inpM_PartMap Block() {
  return PartMapOf(IdMapOf({{1, 3}}, {{"BLOCK-1", {{1, 1}, {2, 2}}}}), IdMapOf({}, {{"BLOCK-1", {{1, 1}}}}),
                   InstanceMapOf({{"BLOCK-1", "BLOCK"}}));
}

// ---------------------------------------------------------------------------
// Queries

TEST(PartMapIds, LocalToGlobalAtBothLevels) {
  const inpM_PartMap map = Block();
  EXPECT_EQ(map.GlobalNodeId("", 1), 3);
  EXPECT_EQ(map.GlobalNodeId("BLOCK-1", 2), 2);
  EXPECT_EQ(map.GlobalElementId("BLOCK-1", 1), 1);
  EXPECT_EQ(ErrorOf([&] { map.GlobalNodeId("X", 5); }), "Unknown instance name: X");
  EXPECT_EQ(ErrorOf([&] { map.GlobalNodeId("BLOCK-1", 5); }), "Unknown global id: 5 in instance: BLOCK-1");
  EXPECT_EQ(ErrorOf([&] { map.GlobalElementId("", 1); }), "Unknown global id: 1 in instance: ");
  EXPECT_EQ(ErrorOf([&] { map.GlobalElementId("X", 1); }), "Unknown instance name: X");
}

TEST(PartMapIds, GlobalToLocalAtBothLevels) {
  const inpM_PartMap map = Block();
  EXPECT_EQ(PairOf(map.ConstGetInstanceNodeIdPair(2)), std::make_pair(std::string("BLOCK-1"), 2));
  EXPECT_EQ(PairOf(map.ConstGetInstanceNodeIdPair(3)), std::make_pair(std::string(), 1));
  EXPECT_EQ(PairOf(map.ConstGetInstanceElementIdPair(1)), std::make_pair(std::string("BLOCK-1"), 1));
  EXPECT_EQ(ErrorOf([&] { map.ConstGetInstanceNodeIdPair(99); }), "Unknown global id: 99");
  EXPECT_EQ(ErrorOf([&] { map.ConstGetInstanceElementIdPair(3); }), "Unknown global id: 3");
  EXPECT_EQ(ErrorOf([&] { map.ConstGetInstanceNodeIdPair(-1); }), "Unknown global id: -1");
}

TEST(PartMapIds, Membership) {
  const inpM_PartMap map = Block();
  EXPECT_TRUE(map.IsNodePartMapMember(3));
  EXPECT_TRUE(map.IsNodePartMapMember(1));
  EXPECT_FALSE(map.IsNodePartMapMember(4));
  EXPECT_TRUE(map.IsElementPartMapMember(1));
  EXPECT_FALSE(map.IsElementPartMapMember(3));

  // By local id: an unknown instance is simply not a holder.
  EXPECT_TRUE(map.IsNodePartMapMember("", 1));
  EXPECT_TRUE(map.IsNodePartMapMember("BLOCK-1", 2));
  EXPECT_FALSE(map.IsNodePartMapMember("BLOCK-1", 3));
  EXPECT_FALSE(map.IsNodePartMapMember("Y", 3));

  // By global id within one level: an unknown instance is an error.
  EXPECT_TRUE(map.IsInstanceNodeMember("", 3));
  EXPECT_FALSE(map.IsInstanceNodeMember("", 1));
  EXPECT_TRUE(map.IsInstanceNodeMember("BLOCK-1", 1));
  EXPECT_FALSE(map.IsInstanceElementMember("", 1));
  EXPECT_EQ(ErrorOf([&] { map.IsInstanceNodeMember("Z", 1); }), "Unknown instance name: Z");
  EXPECT_EQ(ErrorOf([&] { map.IsInstanceElementMember("Z", 1); }), "Unknown instance name: Z");
}

TEST(PartMapInstances, NamesPartsAndAssembly) {
  const inpM_IdMap nodes = IdMapOf({}, {{"C", {}}, {"A", {}}, {"B", {}}});
  const inpM_PartMap map = PartMapOf(nodes, nodes, InstanceMapOf({{"A", "P2"}, {"B", "P1"}, {"C", "P2"}}), "\"Asm\"");
  EXPECT_EQ(map.NumberInstances(), 3);
  EXPECT_EQ(Names(map.Instances()), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(Names(map.Parts()), (std::vector<std::string>{"P2", "P1"}));
  EXPECT_EQ(map.GetPartFormingInstance("B").str(), "P1");
  EXPECT_EQ(map.GetPartFormingInstance("D").str(), "");
  // The name is kept as given; only the part file drops the quotes.
  EXPECT_EQ(map.ConstGetAssemblyName().str(), "\"Asm\"");
}

TEST(PartMapInstances, FlagsAreKeptInOrder) {
  const inpM_IdMap none;
  const inpM_PartMap map(true, false, true, none, none, inpM_SetMap(), inpM_SetMap(), inpM_SurfaceMap(), "A", {});
  EXPECT_TRUE(map.FlattenedNames());
  EXPECT_FALSE(map.LocalIdsAreGlobal());
  EXPECT_TRUE(map.ThirdFlag());
}

TEST(PartMapInstances, InstanceMapIsNotCheckedAgainstIdMaps) {
  const inpM_PartMap map =
      PartMapOf(IdMapOf({}, {{"A", {{1, 1}}}}), IdMapOf({}, {{"A", {{1, 1}}}}), InstanceMapOf({{"B", "P"}}));
  EXPECT_EQ(Names(map.Instances()), std::vector<std::string>{"A"});
  EXPECT_EQ(Names(map.Parts()), std::vector<std::string>{"P"});
  EXPECT_EQ(map.GetPartFormingInstance("A").str(), "");
}

TEST(PartMapInstances, DifferentInstanceCountsRaiseTheAssertion) {
  const inpM_PartMap map = PartMapOf(IdMapOf({}, {{"A", {{1, 1}}}, {"B", {{2, 2}}}}), IdMapOf({}, {{"A", {{1, 1}}}}));
  auto condition = [](auto&& f) -> std::string {
    try {
      f();
    } catch (const nex_AssertException& e) {
      return e.Condition();
    }
    return "no assertion";
  };
  EXPECT_EQ(condition([&] { map.Instances(); }), "nodeMap.Size() == elementMap.Size()");
  EXPECT_EQ(condition([&] { map.NumberInstances(); }), "nodeMap.Size() == elementMap.Size()");
  // The membership tests ask for the instances first.
  EXPECT_EQ(condition([&] { map.IsNodePartMapMember(1); }), "nodeMap.Size() == elementMap.Size()");
  EXPECT_EQ(condition([&] { map.IsElementPartMapMember(1); }), "nodeMap.Size() == elementMap.Size()");
  // The lookups do not.
  EXPECT_EQ(PairOf(map.ConstGetInstanceNodeIdPair(2)), std::make_pair(std::string("B"), 2));
}

// ---------------------------------------------------------------------------
// The index keeps the answers of the instance-by-instance visit

TEST(PartMapIndex, FirstInstanceInMapOrderWinsWhenIdsAreShared) {
  // Global 5 is held by B, A and the assembly level; global 7 by B and the
  // assembly level; global 9 by the assembly level alone. The instances were
  // inserted in the order B, A: the map's own order is A, B.
  const inpM_IdMap nodes = IdMapOf({{1, 5}, {2, 7}, {3, 9}}, {{"B", {{10, 5}, {11, 7}}}, {"A", {{20, 5}}}});
  const inpM_PartMap map = PartMapOf(nodes, nodes);
  EXPECT_EQ(PairOf(map.ConstGetInstanceNodeIdPair(5)), std::make_pair(std::string("A"), 20));
  EXPECT_EQ(PairOf(map.ConstGetInstanceNodeIdPair(7)), std::make_pair(std::string("B"), 11));
  EXPECT_EQ(PairOf(map.ConstGetInstanceElementIdPair(9)), std::make_pair(std::string(), 3));
  ExpectAnswersAsScan(map, 0, 12);
}

TEST(PartMapIndex, GeneratedModelsAnswerAsTheScan) {
  for (uint64_t seed : {1, 2, 3}) {
    inpM_ModelShape shape;
    shape.seed = seed;
    shape.instances = 7;
    shape.assemblyNodes = 5;
    const inpM_PartMap map = inpM_GenerateModel(shape);
    ExpectAnswersAsScan(map, -2, 7 * shape.nodesPerInstance + shape.assemblyNodes + 2);
  }
}

TEST(PartMapIndex, ScatteredAndNegativeIds) {
  const inpM_IdMap nodes =
      IdMapOf({{1, INT_MAX}, {2, INT_MIN}}, {{"A", {{1, -5}, {2, 2000000000}}}, {"B", {{1, 7}, {2, -5}}}});
  const inpM_PartMap map = PartMapOf(nodes, nodes);
  EXPECT_EQ(PairOf(map.ConstGetInstanceNodeIdPair(INT_MAX)), std::make_pair(std::string(), 1));
  EXPECT_EQ(PairOf(map.ConstGetInstanceNodeIdPair(INT_MIN)), std::make_pair(std::string(), 2));
  EXPECT_EQ(PairOf(map.ConstGetInstanceNodeIdPair(-5)), std::make_pair(std::string("A"), 1));
  EXPECT_EQ(PairOf(map.ConstGetInstanceNodeIdPair(2000000000)), std::make_pair(std::string("A"), 2));
  EXPECT_FALSE(map.IsNodePartMapMember(0));
  EXPECT_FALSE(map.IsNodePartMapMember(INT_MAX - 1));
  // Six ids over the whole int range cost next to nothing.
  EXPECT_LT(map.IndexMemoryBytes(), 4096u);
}

TEST(PartMapIndex, ElementMembershipVisitsTheNodeMapsNames) {
  // Same number of instances, different names: the element test visits the
  // node map's names, A then B, and meets B, which the element map lacks.
  const inpM_PartMap map =
      PartMapOf(IdMapOf({}, {{"A", {{1, 1}}}, {"B", {{1, 2}}}}), IdMapOf({{1, 9}}, {{"A", {{1, 1}}}, {"C", {{1, 3}}}}));
  EXPECT_TRUE(map.IsElementPartMapMember(1));
  EXPECT_EQ(ErrorOf([&] { map.IsElementPartMapMember(3); }), "Unknown instance name: B");
  EXPECT_EQ(ErrorOf([&] { map.IsElementPartMapMember(9); }), "Unknown instance name: B");
  // The lookup itself visits the element map's own instances.
  EXPECT_EQ(PairOf(map.ConstGetInstanceElementIdPair(3)), std::make_pair(std::string("C"), 1));
}

TEST(PartMapIndex, CopiesOutliveTheOriginal) {
  auto original = std::make_unique<inpM_PartMap>(inpM_GenerateModel(inpM_ModelShape()));
  const inpM_PartMap copy(*original);
  inpM_PartMap assigned = Block();
  assigned = *original;
  const std::string text = Text(*original);
  original.reset();
  EXPECT_EQ(Text(copy), text);
  ExpectAnswersAsScan(copy, 0, 130);
  ExpectAnswersAsScan(assigned, 0, 130);
}

TEST(PartMapIndex, SmallForADenseModel) {
  inpM_ModelShape shape;
  shape.instances = 20;
  shape.nodesPerInstance = 5000;
  shape.elementsPerInstance = 5000;
  const inpM_PartMap map = inpM_GenerateModel(shape);
  const size_t ids = 2 * 20 * 5000;
  EXPECT_LE(map.IndexMemoryBytes(), 3 * ids);
}

// ---------------------------------------------------------------------------
// The index's own interface: ids added to and removed from one level

struct Levels {
  inpM_InstanceIdMaps maps;
  void Insert(const std::string& instance, int local, int global) {
    inpM_InstanceMaps& pair = instance.empty() ? maps.assembly : maps.instances.GetOrInsert(instance);
    pair.globalToLocal.Get().Insert(global, local);
    pair.localToGlobal.Get().Insert(local, global);
  }
  void Remove(const std::string& instance, int local, int global) {
    inpM_InstanceMaps& pair = instance.empty() ? maps.assembly : maps.instances.Get(instance);
    pair.globalToLocal.Get().Remove(global);
    pair.localToGlobal.Get().Remove(local);
  }
};

std::optional<std::pair<std::string, int>> Answer(const inpM_GlobalIndex& index, int id) {
  const inpM_GlobalIndex::Level* level = index.Find(id);
  if (!level) return std::nullopt;
  return std::make_pair(level->name.str(), inpM_GlobalIndex::LocalId(*level, id));
}

TEST(GlobalIndex, AddedAndRemovedKeepTheFirstHolder) {
  Levels l;
  l.Insert("A", 1, 10);
  l.Insert("B", 1, 20);
  inpM_GlobalIndex index;
  index.Build(l.maps);
  EXPECT_EQ(Answer(index, 20), std::make_pair(std::string("B"), 1));

  // An id that B already answers for, added to A (earlier in map order) and
  // to the assembly level (later): A takes it, the assembly does not.
  l.Insert("A", 2, 20);
  index.Added(l.maps, "A", 20);
  l.Insert("", 5, 20);
  index.Added(l.maps, "", 20);
  EXPECT_EQ(Answer(index, 20), std::make_pair(std::string("A"), 2));

  // Removing it level by level hands it on in map order.
  l.Remove("A", 2, 20);
  index.Removed(l.maps, "A", 20);
  EXPECT_EQ(Answer(index, 20), std::make_pair(std::string("B"), 1));
  l.Remove("B", 1, 20);
  index.Removed(l.maps, "B", 20);
  EXPECT_EQ(Answer(index, 20), std::make_pair(std::string(), 5));
  l.Remove("", 5, 20);
  index.Removed(l.maps, "", 20);
  EXPECT_EQ(Answer(index, 20), std::nullopt);

  // A removal from a level that does not answer for the id changes nothing.
  l.Insert("", 6, 10);
  index.Added(l.maps, "", 10);
  l.Remove("", 6, 10);
  index.Removed(l.maps, "", 10);
  EXPECT_EQ(Answer(index, 10), std::make_pair(std::string("A"), 1));
}

TEST(GlobalIndex, LocalIdsBySubtractionOnlyWhileEveryPairAllowsIt) {
  Levels l;
  l.Insert("A", 1, 101);
  l.Insert("A", 2, 102);
  l.Insert("B", 7, 7);
  inpM_GlobalIndex index;
  index.Build(l.maps);
  EXPECT_EQ(Answer(index, 102), std::make_pair(std::string("A"), 2));
  // A pair off the line of the others: A's local ids come from its table.
  l.Insert("A", 3, 200);
  index.Added(l.maps, "A", 200);
  EXPECT_EQ(Answer(index, 200), std::make_pair(std::string("A"), 3));
  EXPECT_EQ(Answer(index, 101), std::make_pair(std::string("A"), 1));
  // A level emptied and filled again starts a new line.
  l.Remove("B", 7, 7);
  index.Removed(l.maps, "B", 7);
  l.Insert("B", 1, 50);
  index.Added(l.maps, "B", 50);
  l.Insert("B", 2, 51);
  index.Added(l.maps, "B", 51);
  EXPECT_EQ(Answer(index, 51), std::make_pair(std::string("B"), 2));
  EXPECT_EQ(Answer(index, 7), std::nullopt);
}

TEST(GlobalIndex, FollowsTablesThatMoveWhenDetached) {
  Levels l;
  l.Insert("A", 1, 1);
  inpM_GlobalIndex index;
  index.Build(l.maps);
  // A copy shares the tables; writing through the original then gives it
  // new tables, and the copy may go away.
  auto copy = std::make_unique<inpM_InstanceIdMaps>(l.maps);
  l.Insert("A", 2, 2);
  index.Added(l.maps, "A", 2);
  copy.reset();
  EXPECT_EQ(Answer(index, 1), std::make_pair(std::string("A"), 1));
  EXPECT_EQ(Answer(index, 2), std::make_pair(std::string("A"), 2));
}

TEST(GlobalIndex, NewInstancesRebuild) {
  Levels l;
  l.Insert("B", 1, 1);
  inpM_GlobalIndex index;
  index.Added(l.maps, "B", 1);  // never built: builds
  EXPECT_EQ(Answer(index, 1), std::make_pair(std::string("B"), 1));
  l.Insert("A", 1, 1);
  index.Added(l.maps, "A", 1);
  EXPECT_EQ(Answer(index, 1), std::make_pair(std::string("A"), 1));
}

TEST(GlobalIndex, ManyInstancesAndIdsAddedOneByOne) {
  // Ordinals beyond 16 bits, and ids added below, above and far from the
  // range the index was built for.
  Levels l;
  const int instances = 70000;
  for (int k = 0; k < instances; ++k) l.Insert("I" + std::to_string(100000 + k), 1, k + 1);
  inpM_GlobalIndex index;
  index.Build(l.maps);
  EXPECT_EQ(Answer(index, instances), std::make_pair(std::string("I169999"), 1));
  std::map<int, std::pair<std::string, int>> expected;
  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i) {
    const int k = static_cast<int>(random() % instances);
    const std::string name = "I" + std::to_string(100000 + k);
    const int global = i < 1000 ? -i : i < 2000 ? instances + i : static_cast<int>(random() % 2000000000);
    if ((global >= 1 && global <= instances) || expected.count(global)) continue;
    l.Insert(name, 2 + i, global);
    index.Added(l.maps, name, global);
    expected[global] = {name, 2 + i};
  }
  for (const auto& [global, answer] : expected) ASSERT_EQ(Answer(index, global), answer) << global;
  for (int k = 0; k < instances; k += 997)
    ASSERT_EQ(Answer(index, k + 1), std::make_pair("I" + std::to_string(100000 + k), 1));
}

// ---------------------------------------------------------------------------
// The owner table against a plain map

TEST(OwnerTable, AgreesWithAMapThroughDenseGrowthAndSparseForm) {
  for (const auto& [spread, seed] : {std::pair{1000, 1}, std::pair{60000, 2}, std::pair{INT_MAX, 3}}) {
    inpM_OwnerTable table;
    table.Reset(0, 10, 10);
    std::map<int, uint32_t> reference;
    std::mt19937 random(static_cast<unsigned>(seed));
    for (int i = 0; i < 20000; ++i) {
      const int id = static_cast<int>(random() % static_cast<unsigned>(spread)) - spread / 2;
      const uint32_t ordinal = random() % 4 == 0 ? 0 : static_cast<uint32_t>(random() % 100000);
      table.Set(id, ordinal);
      if (ordinal)
        reference[id] = ordinal;
      else
        reference.erase(id);
    }
    EXPECT_EQ(table.Count(), reference.size());
    EXPECT_EQ(table.IsSparse(), spread == INT_MAX) << spread;
    for (const auto& [id, ordinal] : reference) ASSERT_EQ(table.Get(id), ordinal) << id;
    for (int i = 0; i < 20000; ++i) {
      const int id = static_cast<int>(random() % static_cast<unsigned>(spread)) - spread / 2;
      ASSERT_EQ(table.Get(id), reference.count(id) ? reference[id] : 0u) << id;
    }
  }
}

TEST(OwnerTable, ArraysOfHugePageSize) {
  // 2M ids: a 4 MB array on huge pages, grown by copying, and given back.
  const int n = 2'000'000;
  inpM_OwnerTable table;
  table.Reset(1, n, n);
  for (int id = 1; id <= n; ++id) ASSERT_TRUE(table.Claim(id, 1 + id % 1000));
  table.Set(n + 1, 9);
  EXPECT_FALSE(table.IsSparse());
  EXPECT_EQ(table.Count(), static_cast<size_t>(n) + 1);
  EXPECT_EQ(table.Get(1), 2u);
  EXPECT_EQ(table.Get(n), 1u);
  EXPECT_EQ(table.Get(n + 1), 9u);
  table.Reset(0, 0, 0);
  EXPECT_EQ(table.Get(1), 0u);
}

TEST(OwnerTable, EmptyAndExtremeIds) {
  inpM_OwnerTable table;
  table.Reset(INT_MAX, INT_MIN, 0);
  EXPECT_EQ(table.Get(0), 0u);
  table.Set(INT_MAX, 3);
  table.Set(INT_MIN, 4);
  EXPECT_EQ(table.Get(INT_MAX), 3u);
  EXPECT_EQ(table.Get(INT_MIN), 4u);
  EXPECT_EQ(table.Get(0), 0u);
  EXPECT_LT(table.MemoryBytes(), 1u << 20);
}

// ---------------------------------------------------------------------------
// Set queries

inpM_PartMap WithSets() {
  inpM_SetMap nodeSets, elementSets;
  nodeSets.InsertSet("N-B", inpM_SortedSet(cow_1DArrayList<int>{3, 1}));
  nodeSets.InsertSet("N-A", *CreateSet(cow_1DArrayList<int>{9, 8, 9}, inpM_RedundantInternalSet, true));
  nodeSets.InsertNestedSet("I1", "IN-1", inpM_UnsortedSet(cow_1DArrayList<int>{2, 1}));
  nodeSets.InsertNestedSet("I1", "IN-0", *CreateSet(cow_1DArrayList<int>{5}, true, false));
  elementSets.InsertSet("E", *CreateSet(cow_1DArrayList<int>{4}, inpM_InsertedInternalSet, false));
  elementSets.InsertNestedSet("I1", "IE", inpM_SortedSet(cow_1DArrayList<int>{7, 6}));
  elementSets.InsertNestedSetMap("I2", inpM_BaseSetMap());
  const inpM_IdMap none;
  return inpM_PartMap(false, false, false, none, none, nodeSets, elementSets, inpM_SurfaceMap(), "A", {});
}

TEST(PartMapSets, NamesInAscendingOrder) {
  const inpM_PartMap map = WithSets();
  EXPECT_EQ(Names(map.AssemblyNsetNames()), (std::vector<std::string>{"N-A", "N-B"}));
  EXPECT_EQ(Names(map.AssemblyElsetNames()), std::vector<std::string>{"E"});
  EXPECT_EQ(Names(map.InstanceNsetNames("I1")), (std::vector<std::string>{"IN-0", "IN-1"}));
  EXPECT_EQ(Names(map.InstanceElsetNames("I1")), std::vector<std::string>{"IE"});
  EXPECT_TRUE(map.InstanceElsetNames("I2").IsEmpty());
  EXPECT_TRUE(map.InstanceElsetNames("nobody").IsEmpty());
}

TEST(PartMapSets, ContentsAndFlags) {
  const inpM_PartMap map = WithSets();
  EXPECT_EQ(Ids(map.ConstGetAssemblyNset("N-B")), (std::vector<int>{1, 3}));
  EXPECT_EQ(Ids(map.ConstGetAssemblyNset("N-A")), (std::vector<int>{9, 8, 9}));
  EXPECT_EQ(Ids(map.ConstGetInstanceNset("I1", "IN-1")), (std::vector<int>{2, 1}));
  EXPECT_EQ(Ids(map.ConstGetInstanceElset("I1", "IE")), (std::vector<int>{6, 7}));
  EXPECT_EQ(Ids(map.ConstGetAssemblyElset("E")), std::vector<int>{4});

  EXPECT_TRUE(map.AssemblyNsetIsPicked("N-A"));
  EXPECT_FALSE(map.AssemblyNsetIsPicked("N-B"));
  EXPECT_TRUE(map.AssemblyElsetIsPicked("E"));
  EXPECT_TRUE(map.InstanceNsetIsPicked("I1", "IN-0"));
  EXPECT_FALSE(map.InstanceElsetIsPicked("I1", "IE"));
  EXPECT_TRUE(map.AssemblyNsetIsUnsorted("N-A"));
  EXPECT_FALSE(map.AssemblyNsetIsUnsorted("N-B"));
  EXPECT_TRUE(map.InstanceNsetIsUnsorted("I1", "IN-1"));
  EXPECT_FALSE(map.InstanceNsetIsUnsorted("I1", "IN-0"));
}

TEST(PartMapSets, MissingSetsAndInstancesAreReported) {
  const inpM_PartMap map = WithSets();
  EXPECT_EQ(ErrorOf([&] { map.ConstGetAssemblyNset("NONE"); }), "Set NONE does not exist");
  EXPECT_EQ(ErrorOf([&] { map.AssemblyElsetIsPicked("N-A"); }), "Set N-A does not exist");
  EXPECT_EQ(ErrorOf([&] { map.AssemblyNsetIsUnsorted("E"); }), "Set E does not exist");
  EXPECT_EQ(ErrorOf([&] { map.ConstGetInstanceElset("I9", "IE"); }), "Instance I9 does not exist");
  EXPECT_EQ(ErrorOf([&] { map.InstanceNsetIsPicked("I2", "IN-0"); }), "Instance I2 does not exist");
  EXPECT_EQ(ErrorOf([&] { map.InstanceElsetIsPicked("I2", "IE"); }), "Set IE does not exist");
  EXPECT_EQ(ErrorOf([&] { map.InstanceNsetIsUnsorted("I1", "IE"); }), "Set IE does not exist");
}

}  // namespace
