
#include <climits>
#include <functional>
#include <memory>
#include <random>

#include "inpM_GlobalIndex.h"
#include "inpM_ModelGenerator.h"
#include "part_map_testing.h"

namespace {

using namespace partmap_testing;
using NameList = std::vector<std::string>;
using Answer = std::pair<std::string, int>;

// The model of the part file's worked example: instance BLOCK-1 of part BLOCK
// with nodes 1, 2 and element 1 (local = global), and assembly node 1 = 3.
inpM_PartMap Block() {
  return PartMapOf(IdMapOf({{1, 3}}, {{"BLOCK-1", {{1, 1}, {2, 2}}}}), IdMapOf({}, {{"BLOCK-1", {{1, 1}}}}),
                   InstanceMapOf({{"BLOCK-1", "BLOCK"}}));
}

TEST(PartMapQueries, IdsInstancesPartsAndAssembly) {
  // Lookups by command are inpm_cli_test's, on the same model.
  const inpM_PartMap b = Block();
  EXPECT_EQ(b.GlobalNodeId("", 1), 3);
  EXPECT_EQ(ErrorOf([&] { b.GlobalElementId("", 1); }), "Unknown global id: 1 in instance: ");
  EXPECT_EQ(ErrorOf([&] { b.ConstGetInstanceElementIdPair(3); }), "Unknown global id: 3");
  // By global id; by local id, where an unknown instance is simply not a
  // holder; by global id within one level.
  EXPECT_EQ((std::vector<bool>{b.IsNodePartMapMember(3), b.IsNodePartMapMember(4), b.IsElementPartMapMember(3),
                               b.IsNodePartMapMember("", 1), b.IsNodePartMapMember("BLOCK-1", 2),
                               b.IsNodePartMapMember("BLOCK-1", 3), b.IsNodePartMapMember("Y", 3),
                               b.IsInstanceNodeMember("", 3), b.IsInstanceNodeMember("", 1),
                               b.IsInstanceNodeMember("BLOCK-1", 1), b.IsInstanceElementMember("", 1)}),
            (std::vector<bool>{true, false, false, true, true, false, false, true, false, true, false}));
  // Within one level an unknown instance is an error.
  EXPECT_EQ(ErrorOf([&] { b.IsInstanceNodeMember("Z", 1); }), "Unknown instance name: Z");
  EXPECT_EQ(ErrorOf([&] { b.IsInstanceElementMember("Z", 1); }), "Unknown instance name: Z");
  const inpM_IdMap nodes = IdMapOf({}, {{"C", {}}, {"A", {}}, {"B", {}}});
  const inpM_PartMap map(true, false, true, nodes, nodes, inpM_SetMap(), inpM_SetMap(), inpM_SurfaceMap(), "\"Asm\"",
                         InstanceMapOf({{"A", "P2"}, {"B", "P1"}, {"C", "P2"}}));
  EXPECT_EQ(map.NumberInstances(), 3);
  EXPECT_EQ(Names(map.Instances()), (NameList{"A", "B", "C"}));
  EXPECT_EQ(Names(map.Parts()), (NameList{"P2", "P1"}));
  EXPECT_EQ(map.GetPartFormingInstance("B").str(), "P1");
  EXPECT_EQ(map.GetPartFormingInstance("D").str(), "");
  EXPECT_EQ(map.ConstGetAssemblyName().str(), "\"Asm\"");  // as given; only the part file drops quotes

  // Node and element maps of different instance counts break an invariant,
  // which the instance list and the membership tests check; lookups do not.
  const inpM_PartMap broken =
      PartMapOf(IdMapOf({}, {{"A", {{1, 1}}}, {"B", {{2, 2}}}}), IdMapOf({}, {{"A", {{1, 1}}}}));
  for (const auto& f : std::vector<std::function<void()>>{
           [&] { broken.Instances(); }, [&] { broken.NumberInstances(); }, [&] { broken.IsNodePartMapMember(1); },
           [&] { broken.IsElementPartMapMember(1); }})
    EXPECT_THROW(f(), nex_AssertException);
  EXPECT_EQ(PairOf(broken.ConstGetInstanceNodeIdPair(2)), Answer("B", 2));
  // Of equal instance counts but different names, the element test visits
  // the node map's names and meets B, which the element map lacks; the
  // lookup visits the element map's own instances.
  const inpM_PartMap renamed =
      PartMapOf(IdMapOf({}, {{"A", {{1, 1}}}, {"B", {{1, 2}}}}), IdMapOf({{1, 9}}, {{"A", {{1, 1}}}, {"C", {{1, 3}}}}));
  EXPECT_TRUE(renamed.IsElementPartMapMember(1));
  EXPECT_EQ(ErrorOf([&] { renamed.IsElementPartMapMember(3); }), "Unknown instance name: B");
  EXPECT_EQ(ErrorOf([&] { renamed.IsElementPartMapMember(9); }), "Unknown instance name: B");
  EXPECT_EQ(PairOf(renamed.ConstGetInstanceElementIdPair(3)), Answer("C", 1));
}

TEST(PartMapIndex, FirstInstanceInMapOrderWinsWhenIdsAreShared) {
  // Global 5 is held by B, A and the assembly level; global 7 by B and the
  // assembly level; global 9 by the assembly level alone. The instances were
  // inserted in the order B, A: the map's own order is A, B.
  const inpM_IdMap nodes = IdMapOf({{1, 5}, {2, 7}, {3, 9}}, {{"B", {{10, 5}, {11, 7}}}, {"A", {{20, 5}}}});
  const inpM_PartMap map = PartMapOf(nodes, nodes);
  EXPECT_EQ(PairOf(map.ConstGetInstanceNodeIdPair(5)), Answer("A", 20));
  EXPECT_EQ(PairOf(map.ConstGetInstanceNodeIdPair(7)), Answer("B", 11));
  EXPECT_EQ(PairOf(map.ConstGetInstanceElementIdPair(9)), Answer("", 3));
  ExpectAnswersAsScan(map, 0, 12);

  // Ids scattered over the whole range cost next to nothing.
  const inpM_IdMap scattered =
      IdMapOf({{1, INT_MAX}, {2, INT_MIN}}, {{"A", {{1, -5}, {2, 2000000000}}}, {"B", {{1, 7}, {2, -5}}}});
  const inpM_PartMap wide = PartMapOf(scattered, scattered);
  EXPECT_EQ(PairOf(wide.ConstGetInstanceNodeIdPair(INT_MAX)), Answer("", 1));
  EXPECT_EQ(PairOf(wide.ConstGetInstanceNodeIdPair(INT_MIN)), Answer("", 2));
  EXPECT_EQ(PairOf(wide.ConstGetInstanceNodeIdPair(-5)), Answer("A", 1));
  EXPECT_EQ(PairOf(wide.ConstGetInstanceNodeIdPair(2000000000)), Answer("A", 2));
  EXPECT_FALSE(wide.IsNodePartMapMember(INT_MAX - 1));
  EXPECT_LT(wide.IndexMemoryBytes(), 4096u);
}

TEST(PartMapIndex, BlocksOfEveryLengthAnswerAsTheScanInCopies) {
  // Instances numbered in blocks of very different lengths, one after
  // another with a gap now and then: long blocks that cover many buckets,
  // medium ones that start inside a bucket, and clusters of one- to
  // three-id blocks that put many starts into one bucket. Every fifth
  // instance numbers its ids backwards (not local = global - offset).
  std::mt19937 random(11);
  std::vector<std::pair<std::string, Pairs>> instances;
  int next = 1;
  for (int k = 0; k < 60; ++k) {
    const int kind = static_cast<int>(random() % 3);
    const int length = kind == 0 ? 1 + static_cast<int>(random() % 3)
                       : kind == 1 ? 50 + static_cast<int>(random() % 150)
                                   : 2000 + static_cast<int>(random() % 3000);
    if (random() % 4 == 0) next += 1 + static_cast<int>(random() % 500);
    Pairs pairs;
    for (int i = 0; i < length; ++i) pairs.push_back({k % 5 == 4 ? length - i : i + 1, next + i});
    next += length;
    instances.push_back({"I" + std::to_string(1000 + k), pairs});
  }
  const inpM_IdMap nodes = IdMapOf({{1, next + 3}}, instances);
  auto original = std::make_unique<inpM_PartMap>(PartMapOf(nodes, nodes));
  // Copies keep answering once the original is gone.
  const inpM_PartMap copy(*original);
  inpM_PartMap assigned = Block();
  assigned = *original;
  original.reset();
  ExpectAnswersAsScan(copy, -1, next + 5);
  ExpectAnswersAsScan(assigned, -1, next + 5);
  const inpM_ModelShape dense{.instances = 20, .nodesPerInstance = 5000, .elementsPerInstance = 5000};
  EXPECT_LE(inpM_GenerateModel(dense).IndexMemoryBytes(), 3u * 2 * 20 * 5000);
}

// The owner table takes the form that suits its ids: long runs of one owner
// compact into runs, a change brings the array back, and ids too far apart
// go into a hash table, which grows. Every form answers what was set.
TEST(OwnerTable, EveryFormAnswersWhatWasSet) {
  const auto owner = [](int id) { return id < 0 || id >= 400000 || id % 7000 >= 5000 ? 0u : 1 + id / 7000u; };
  inpM_OwnerTable table;
  table.Reset(0, 399999, 400000);
  for (int id = 0; id < 400000; ++id)
    if (owner(id)) table.Set(id, owner(id));
  table.Compact();
  ASSERT_TRUE(table.IsRuns());
  for (int id = -3; id < 400003; ++id) ASSERT_EQ(table.Get(id), owner(id)) << id;
  table.Set(6000, 77);
  ASSERT_FALSE(table.IsRuns() || table.IsSparse());
  for (int id = -3; id < 400003; ++id) ASSERT_EQ(table.Get(id), id == 6000 ? 77u : owner(id)) << id;
  inpM_OwnerTable far;
  far.Reset(1, 10, 10);
  for (int i = 1; i <= 50; ++i) far.Set(i <= 10 ? i : 1000000 * i, static_cast<uint32_t>(i));
  ASSERT_TRUE(far.IsSparse());
  for (int i = 1; i <= 50; ++i) EXPECT_EQ(far.Get(i <= 10 ? i : 1000000 * i), static_cast<uint32_t>(i));
}

TEST(PartMapSets, NamesContentsFlagsAndMessages) {
  inpM_SetMap nodeSets, elementSets;
  nodeSets.InsertSet("N-B", inpM_SortedSet(L({3, 1})));
  nodeSets.InsertSet("N-A", *CreateSet(L({9, 8, 9}), inpM_RedundantInternalSet, true));
  nodeSets.InsertNestedSet("I1", "IN-1", inpM_UnsortedSet(L({2, 1})));
  nodeSets.InsertNestedSet("I1", "IN-0", *CreateSet(L({5}), true, false));
  elementSets.InsertSet("E", *CreateSet(L({4}), inpM_InsertedInternalSet, false));
  elementSets.InsertNestedSet("I1", "IE", inpM_SortedSet(L({7, 6})));
  elementSets.InsertNestedSetMap("I2", inpM_BaseSetMap());
  const inpM_IdMap none;
  const inpM_PartMap map(false, false, false, none, none, nodeSets, elementSets, inpM_SurfaceMap(), "A", {});

  EXPECT_EQ(Names(map.AssemblyNsetNames()), (NameList{"N-A", "N-B"}));
  EXPECT_EQ(Names(map.AssemblyElsetNames()), NameList{"E"});
  EXPECT_EQ(Names(map.InstanceNsetNames("I1")), (NameList{"IN-0", "IN-1"}));
  EXPECT_EQ(Names(map.InstanceElsetNames("I1")), NameList{"IE"});
  EXPECT_TRUE(map.InstanceElsetNames("I2").IsEmpty());
  EXPECT_TRUE(map.InstanceElsetNames("nobody").IsEmpty());
  EXPECT_EQ(V(map.ConstGetAssemblyNset("N-B")), (Ids{1, 3}));
  EXPECT_EQ(V(map.ConstGetAssemblyNset("N-A")), (Ids{9, 8, 9}));
  EXPECT_EQ(V(map.ConstGetInstanceNset("I1", "IN-1")), (Ids{2, 1}));
  EXPECT_EQ(V(map.ConstGetInstanceElset("I1", "IE")), (Ids{6, 7}));
  EXPECT_EQ(V(map.ConstGetAssemblyElset("E")), Ids{4});
  // Picked, then unsorted, flags.
  EXPECT_EQ((std::vector<bool>{map.AssemblyNsetIsPicked("N-A"), map.AssemblyNsetIsPicked("N-B"),
                               map.AssemblyElsetIsPicked("E"), map.InstanceNsetIsPicked("I1", "IN-0"),
                               map.InstanceElsetIsPicked("I1", "IE"), map.AssemblyNsetIsUnsorted("N-A"),
                               map.AssemblyNsetIsUnsorted("N-B"), map.InstanceNsetIsUnsorted("I1", "IN-1"),
                               map.InstanceNsetIsUnsorted("I1", "IN-0")}),
            (std::vector<bool>{true, false, true, true, false, true, false, true, false}));

  EXPECT_EQ(ErrorOf([&] { map.ConstGetAssemblyNset("NONE"); }), "Set NONE does not exist");
  EXPECT_EQ(ErrorOf([&] { map.AssemblyElsetIsPicked("N-A"); }), "Set N-A does not exist");
  EXPECT_EQ(ErrorOf([&] { map.AssemblyNsetIsUnsorted("E"); }), "Set E does not exist");
  EXPECT_EQ(ErrorOf([&] { map.ConstGetInstanceElset("I9", "IE"); }), "Instance I9 does not exist");
  EXPECT_EQ(ErrorOf([&] { map.InstanceNsetIsPicked("I2", "IN-0"); }), "Instance I2 does not exist");
  EXPECT_EQ(ErrorOf([&] { map.InstanceElsetIsPicked("I2", "IE"); }), "Set IE does not exist");
  EXPECT_EQ(ErrorOf([&] { map.InstanceNsetIsUnsorted("I1", "IE"); }), "Set IE does not exist");
}

}  // namespace
