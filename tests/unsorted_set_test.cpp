

#include "part_map_testing.h"

namespace {

using namespace partmap_testing;
using NameList = std::vector<std::string>;

// Flag 3; an integer component 2 1, then a pair P holding an unsorted set of 6.
inpM_UnsortedSet Sample() {
  inpM_UnsortedSet u;
  u.SetTypeFlag(inpM_RedundantInternalSet);
  u.Add(L({2, 1}));
  u.Add("P", inpM_UnsortedSet(L({6})));
  return u;
}
const std::string kSample = "3\n2\n1\n2\n2 1 \n2\nP\n3\n0\n1\n1\n1\n6 \n";

TEST(UnsortedSetAdd, EveryAdditionAppendsAComponent) {
  inpM_UnsortedSet u;
  u.Add(5);
  u.Add(5);
  EXPECT_TRUE(u.Remove(5));
  EXPECT_TRUE(u.ConstGetComponents()[0]->IsEmpty());
  u.Add("B", 3);
  u.Add("A", L({4, 2}));
  u.Add(L({9, 1}));
  u.Add("B", L({8}));
  EXPECT_EQ(u.ConstGetComponents().Size(), 6);
  EXPECT_EQ(V(u.ConstGetIds()), (Ids{5, 3, 4, 2, 9, 1, 8}));
  EXPECT_EQ(V(u.ConstGetTopLevelIds()), (Ids{5, 9, 1}));
  EXPECT_EQ(V(u.ConstGetSecondLevelIds("B")), (Ids{3, 8}));
  EXPECT_EQ(Names(u.GatherRootLevelInstanceNames()), (NameList{"B", "A", "B"}));
  EXPECT_EQ(V(u.ConstGetInstanceIdsMap().ConstGet("A")), (Ids{4, 2}));

  inpM_UnsortedSet w(L({1}));
  const inpM_SortedSet sorted(L({3, 2}));
  w.Add(sorted);
  w.Add(w);  // its own components, once
  EXPECT_EQ(V(w.ConstGetIds()), (Ids{1, 2, 3, 1, 2, 3}));
  w.Add("Q", sorted);
  const auto& pair = static_cast<const inpM_SetNamePair&>(*w.ConstGetComponents()[w.ConstGetComponents().Size() - 1]);
  EXPECT_EQ(pair.ConstGetSet()->GetSetKind(), 3);  // held as an unsorted set
  const std::string before = Printed(w);
  w.Add(inpM_IntegerSet(L({7})));  // component sets add nothing
  w.Add("R", inpM_SetNamePair("S", inpM_IntegerSet(L({7}))));
  EXPECT_EQ(Printed(w), before);
}

TEST(UnsortedSetConversion, SortedToUnsortedAndBack) {
  inpM_SortedSet s(L({2, 1}));
  s.SetTypeFlag(inpM_InternalSet);
  s.Add("A", 7);
  s.Add("S", inpM_SortedSet(L({4})));
  const inpM_UnsortedSet u(s);
  // Top-level ids; the instance-ids map (A, S); the subset S once more.
  EXPECT_EQ(Printed(u), "0\n4\n1\n2\n1 2 \n2\nA\n1\n1\n7 \n2\nS\n1\n1\n4 \n2\nS\n3\n0\n1\n1\n1\n4 \n");
  const inpM_SortedSet back = u.GetSortedSetEquivalent();
  // Input flag; entries come back as subsets.
  EXPECT_EQ(Printed(back), "0\n2\n1 2 \n0\n2\nA\n0\n1\n7 \n0\n0\nS\n0\n1\n4 \n0\n0\n");
}

TEST(UnsortedSetIdMap, RenumberCleanupAndRenameKeepOrder) {
  const inpM_IdMap map = IdMapOf({{1, 101}, {2, 102}, {3, 103}}, {{"A", {{7, 70}}}});
  inpM_UnsortedSet u(L({3, 1, 3}));
  u.Add("A", 7);
  u.Add("Z", 5);
  u.Renumber(map, false);
  EXPECT_EQ(V(u.ConstGetIds()), (Ids{103, 101, 103, 70, 5}));
  // The integer clean-up gives one list whether the list or the table is longer.
  inpM_UnsortedSet longer(L({1, 9, 2, 9, 3, 4, 1}));
  longer.Add(L({9, 2}));
  longer.Add("A", L({8, 7}));
  longer.Add("Z", 5);
  longer.Cleanup(map);
  EXPECT_EQ(V(longer.ConstGetIds()), (Ids{1, 2, 3, 1, 2, 7, 5}));

  inpM_UnsortedSet inner;
  inner.Add("A", 1);
  inner.Add("C", 2);
  inpM_UnsortedSet outer;
  outer.Add("A", inner);
  outer.Add("C", inner);
  outer.ChangeInstanceName("A", "B");  // the pair and its inner set
  EXPECT_EQ(Names(outer.GatherRootLevelInstanceNames()), (NameList{"B", "C"}));
  const auto& pair = static_cast<const inpM_SetNamePair&>(*outer.ConstGetComponents()[1]);
  EXPECT_EQ(Names(pair.ConstGetSet()->GatherRootLevelInstanceNames()), (NameList{"B", "C"}));
}

// Integer sets and name pairs used directly: only Add(id) adds (to the pair's
// inner set); every other addition leaves them unchanged.
TEST(ComponentSets, DirectUseAndStoredForms) {
  inpM_IntegerSet i(L({4}));
  i.Add(5);
  i.Add(L({6}));
  i.Add("A", 7);
  i.Add("A", L({8}));
  i.Add(inpM_IntegerSet(L({9})));
  i.Add("A", inpM_UnsortedSet(L({9})));
  EXPECT_EQ(Printed(i), "2\n4 5 \n");
  inpM_SetNamePair p("A", i);
  p.Add(6);
  p.Add(L({7}));
  p.Add("A", 8);
  p.Add(inpM_UnsortedSet(L({9})));
  EXPECT_TRUE(p.ConstGetTopLevelIds().IsEmpty());
  EXPECT_EQ(V(p.ConstGetSecondLevelIds("A")), (Ids{4, 5, 6}));
  EXPECT_TRUE(p.ConstGetSecondLevelIds("\"A\"").IsEmpty());
  EXPECT_TRUE(p.Remove(5));
  EXPECT_FALSE(p.Remove(5));
  EXPECT_EQ(V(p.GetSortedSetEquivalent().ConstGetInstanceSubsets().ConstGet("A")->ConstGetIds()), (Ids{4, 6}));
  // A sorted inner set is held as an unsorted one, so the pair stays storable.
  EXPECT_EQ(Printed(inpM_SetNamePair("S", inpM_SortedSet(L({2, 1})))), "S\n3\n0\n1\n1\n2\n1 2 \n");

  EXPECT_EQ(Printed(inpM_IntegerSet(L({5, 1, 5}))), "3\n5 1 5 \n");
  EXPECT_EQ(Printed(inpM_IntegerSet()), "0\n");
  const std::string pair = "\"Q\"\n1\n2\n4 4 \n";
  EXPECT_EQ(Printed(inpM_SetNamePair("\"Q\"", inpM_IntegerSet(L({4, 4})))), pair);
  aio_istringstream in(pair);
  const inpM_SetNamePair back(in);
  EXPECT_EQ(back.ConstGetName().str(), "\"Q\"");  // a pair keeps its quotes
  EXPECT_EQ(Printed(back), pair);
  aio_istringstream unknown("Q\n9\n");  // an unknown inner kind: an empty pair
  EXPECT_EQ(Printed(inpM_SetNamePair(unknown)), "Q\n0\n");
}

TEST(UnsortedSetStoredForm, GoldenAndRoundTrip) {
  inpM_UnsortedSet fromEmptyList(L({}));
  fromEmptyList.SetTypeFlag(inpM_InternalSet);
  EXPECT_TRUE(fromEmptyList.IsEmpty());
  EXPECT_EQ(Printed(fromEmptyList), "1\n1\n1\n0\n");
  EXPECT_EQ(Printed(inpM_UnsortedSet()), "0\n0\n");
  EXPECT_EQ(Printed(Sample()), kSample);
  aio_istringstream skipped("0\n2\n7\n1\n1\n5 \n");  // a component of an unknown kind is skipped
  EXPECT_EQ(Printed(inpM_UnsortedSet(skipped)), "0\n1\n1\n1\n5 \n");
}

TEST(CreateSet, FactoriesKeepTheClassAndCopyOnWrite) {
  EXPECT_EQ(CreateSet(true, false)->GetSetKind(), 4);
  EXPECT_EQ(CreateSet(true, false)->GetTypeFlag(), inpM_InternalSet);
  EXPECT_EQ(Printed(*CreateSet(false, true)), "0\n0\n");
  EXPECT_EQ(CreateSet(inpM_RedundantInternalSet, true)->GetTypeFlag(), 3);
  EXPECT_EQ(Printed(*CreateSet(L({3, 1, 3}), true, true)), "1\n1\n1\n3\n3 1 3 \n");
  EXPECT_EQ(Printed(*CreateSet(L({3, 1, 3}), inpM_InsertedInternalSet, false)), "2\n2\n1 3 \n0\n0\n");
  aio_istringstream in(kSample);
  EXPECT_EQ(Printed(*CreateSet(in, true)), kSample);
  EXPECT_FALSE(CreateSet(inpM_IntegerSet(L({1}))).HasValue());
  EXPECT_FALSE(CreateSet(inpM_SetNamePair("A", inpM_IntegerSet())).HasValue());

  const inpM_UnsortedSet original = Sample();
  inpM_SetHandle h = CreateSet(original);
  const inpM_SetHandle shared = h;
  h.Get().Add(4);
  EXPECT_EQ(h->GetTypeFlag(), inpM_RedundantInternalSet);
  EXPECT_EQ(V(h->ConstGetIds()), (Ids{2, 1, 6, 4}));
  EXPECT_EQ(Printed(*shared), kSample);
  EXPECT_EQ(Printed(original), kSample);
}

}  // namespace
