#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "inpM_OmiSet.h"
#include "kvl_CountingNew.h"

namespace {

using Ids = std::vector<int>;

Ids IdsOf(const inpM_OmiSet& set) {
  Ids ids;
  for (inpM_OmiSetIT it(set); !it.IsDone(); it.Next()) ids.push_back(it.CurrentItem());
  return ids;
}

// How a set holds its ids and which they are, e.g. "single{7}", "bits{1,5}"
// or "empty{}"; the ids come from the iterator.
std::string Held(const inpM_OmiSet& set) {
  std::string text = set.ConstGetBitVector()                          ? "bits{"
                     : set.SingleValue() == inpM_OmiSet::kEmptyMarker ? "empty{"
                                                                      : "single{";
  for (int id : IdsOf(set)) text += std::to_string(id) + ",";
  if (text.back() == ',') text.pop_back();
  return text + "}";
}

inpM_OmiSet Single(int id) { return inpM_OmiSet(cow_1DArrayList<int>{id}); }

inpM_OmiSet Grown(std::initializer_list<int> ids) {
  inpM_OmiSet s;
  s.SwitchToOmiSet();
  for (int id : ids) s.Insert(id);
  return s;
}

TEST(OmiSetStates, InsertionRemovalAndSwitching) {
  inpM_OmiSet s;
  EXPECT_EQ(Held(s), "empty{}");
  s.Insert(7);
  EXPECT_EQ(Held(s), "single{7}");
  s.Remove(5);
  s.Remove(cow_1DArrayList<int>{1, 2});
  EXPECT_EQ(Held(s), "single{7}");
  s.Remove(7);
  EXPECT_EQ(Held(s), "empty{}");
  s.Insert(8);
  s.Remove(cow_1DArrayList<int>{1, 8});
  EXPECT_EQ(Held(s), "empty{}");
  s.Insert(7);
  s.Insert(7);  // the same id again still grows a bit vector
  EXPECT_EQ(Held(s), "bits{7}");
  EXPECT_EQ(s.Size(), 1);
  // The empty marker is never a member, not even of an empty set.
  EXPECT_FALSE(inpM_OmiSet().IsMember(inpM_OmiSet::kEmptyMarker));

  EXPECT_EQ(Held(inpM_OmiSet(cow_1DArrayList<int>{})), "empty{}");
  EXPECT_EQ(Held(inpM_OmiSet(cow_1DArrayList<int>{3})), "single{3}");
  EXPECT_EQ(Held(inpM_OmiSet(cow_1DArrayList<int>{4, 4})), "bits{4}");
  EXPECT_EQ(Held(inpM_OmiSet(cow_1DArrayList<int>{9, -2, 5, 9})), "bits{-2,5,9}");
  // Bulk insertion goes through the same states as inserting one by one.
  const int bulk[] = {6, 6, 40000, -1, 70000, 70001};
  for (int n : {0, 1, 2, 6}) {
    inpM_OmiSet one, many;
    for (int i = 0; i < n; ++i) one.Insert(bulk[i]);
    many.Insert(bulk, n);
    EXPECT_EQ(Held(many), Held(one)) << n;
  }
  inpM_OmiSet onto = Single(3);
  onto.Insert(bulk + 2, 4);
  EXPECT_EQ(Held(onto), "bits{-1,3,40000,70000,70001}");

  // Clearing and removing keep the bit vector; switching moves the single value.
  inpM_OmiSet g = Grown({1, 2, 3, 4});
  const omi_Set* bits = g.ConstGetBitVector();
  g.Remove(cow_1DArrayList<int>{2, 4, 6, 2});
  EXPECT_EQ(Held(g), "bits{1,3}");
  g.Clear();
  g.Insert(5);
  EXPECT_EQ(Held(g), "bits{5}");
  g.SwitchToOmiSet();
  EXPECT_EQ(g.ConstGetBitVector(), bits);
  inpM_OmiSet single = Single(-3);
  single.SwitchToOmiSet();
  EXPECT_EQ(Held(single), "bits{-3}");
  single = Single(4);
  single.Clear();
  EXPECT_EQ(Held(single), "empty{}");
}

TEST(OmiSetCopies, ABitVectorIsCopiedOnlyWhenTheSourceHasOne) {
  EXPECT_EQ(Held(inpM_OmiSet(Single(2))), "single{2}");
  const inpM_OmiSet grown = Grown({1, 2});
  inpM_OmiSet copy(grown);
  copy.Insert(3);
  EXPECT_EQ(Held(grown), "bits{1,2}");
  EXPECT_EQ(Held(copy), "bits{1,2,3}");
  copy = Single(6);  // the bit vector goes with an assignment from a single set
  EXPECT_EQ(Held(copy), "single{6}");
  copy = Grown({3});
  inpM_OmiSet& same = copy;
  copy = same;
  EXPECT_EQ(Held(copy), "bits{3}");
  inpM_OmiSet moved(std::move(copy));
  inpM_OmiSet target = Single(5);
  target = std::move(moved);
  EXPECT_EQ(Held(target), "bits{3}");

  // Equality and the sorted array ignore how the ids are held.
  EXPECT_EQ(Single(4), Grown({4}));
  EXPECT_EQ(Grown({4}), Single(4));
  EXPECT_EQ(inpM_OmiSet(), Grown({}));
  EXPECT_FALSE(Single(4) == Grown({4, 5}));
  EXPECT_FALSE(Single(4) == Grown({5}));
  EXPECT_FALSE(inpM_OmiSet() == Single(4));
  EXPECT_TRUE(inpM_OmiSet().ConstGetArrayCounterpart().IsEmpty());
  EXPECT_EQ(Single(3).ConstGetArrayCounterpart().ConstVector(), Ids{3});
  EXPECT_EQ(Grown({9, -1, 4}).ConstGetArrayCounterpart().ConstVector(), (Ids{-1, 4, 9}));
}

TEST(OmiSetAlgebra, ResultsFollowTheStates) {
  const struct { inpM_OmiSet left; bool unite; inpM_OmiSet right; const char* held; } cases[] = {
      {inpM_OmiSet(), true, inpM_OmiSet(), "empty{}"},
      {inpM_OmiSet(), true, Single(3), "single{3}"},  // empty and single: a copy, still single
      {Single(3), true, Single(3), "bits{3}"},        // two single sets: a bit vector of one or two ids
      {Single(10), true, Grown({2, 20}), "bits{2,10,20}"},
      {inpM_OmiSet(), true, Grown({7, 8}), "bits{7,8}"},  // empty and a bit vector: a copy with its own
      {Single(5), false, Grown({1, 5}), "single{5}"},
      {Single(5), false, Single(5), "single{5}"},
      {Single(5), false, Grown({1, 2}), "empty{}"},
      {Grown({1, 5, 9}), false, Single(5), "bits{5}"},  // emptied, and the single value put back
      {Grown({5}), false, Single(6), "bits{}"},
      {Grown({1, 2, 3}), false, Grown({2, 3, 4}), "bits{2,3}"},
      {Grown({2, 3}), false, inpM_OmiSet(), "bits{}"},
  };
  for (const auto& c : cases) {
    inpM_OmiSet s = c.left;
    if (c.unite) s += c.right;
    if (!c.unite) s &= c.right;
    EXPECT_EQ(Held(s), c.held) << Held(c.left) << (c.unite ? " + " : " & ") << Held(c.right);
    if (Held(s).starts_with("bits")) {  // a bit vector combined with itself stays as it is
      s += s;
      s &= s;
      EXPECT_EQ(Held(s), c.held);
    }
  }
}

// The operations against a std::set twin over random sequences, with both
// operands passing through all three states.
TEST(OmiSetAlgebra, RandomSequencesMatchATwin) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> idOf(-40, 40);
  std::uniform_int_distribution<int> opOf(0, 6);
  for (int round = 0; round < 200; ++round) {
    inpM_OmiSet a;
    std::set<int> twin;
    for (int step = 0; step < 30; ++step) {
      const int id = idOf(rng);
      inpM_OmiSet other;
      std::set<int> otherTwin;
      for (int k = 0; k < step % 3; ++k) {  // empty, single or two ids
        const int o = idOf(rng);
        other.Insert(o);
        otherTwin.insert(o);
      }
      const int op = opOf(rng);
      if (op < 2) a.Insert(id), twin.insert(id);
      if (op == 2) a.Remove(id), twin.erase(id);
      if (op == 3) a += other, twin.insert(otherTwin.begin(), otherTwin.end());
      if (op == 4) a &= other, std::erase_if(twin, [&](int x) { return otherTwin.count(x) == 0; });
      if (op == 5) a = other, twin = otherTwin;
      if (op == 6 && step % 5 == 0) a.Clear(), twin.clear();
      ASSERT_EQ(IdsOf(a), Ids(twin.begin(), twin.end()));
      ASSERT_EQ(a.Size(), static_cast<int>(twin.size()));
      ASSERT_EQ(a.IsMember(id), twin.count(id) == 1);
      ASSERT_EQ(a.SmallestId(), twin.empty() ? inpM_OmiSet::kEmptyMarker : *twin.begin());
      ASSERT_NO_THROW(a.CheckState());
    }
  }
}

TEST(OmiSetIteration, AscendingHoweverIdsAreHeldAndMapsBySmallestId) {
  const inpM_OmiSet single = Single(-8);
  inpM_OmiSetIT one(single);
  one.Next();
  EXPECT_TRUE(one.IsDone());
  one.First();  // restartable
  EXPECT_EQ(one.CurrentItem(), -8);
  const inpM_OmiSet s(cow_1DArrayList<int>{30, -5, 12, 2147483646, -2147483647 - 1});
  Ids visited;
  s.ForEach([&visited](int id) { visited.push_back(id); });
  EXPECT_EQ(visited, IdsOf(s));
  EXPECT_EQ(visited, (Ids{-2147483647 - 1, -5, 12, 30, 2147483646}));

  cow_Map<cow_String, inpM_OmiSet> map;
  map.Insert("A", Grown({50, 60}));
  map.Insert("B", Single(7));
  map.Insert("C", inpM_OmiSet());
  map.Insert("D", Grown({7, 8}));  // ties with B: name order decides
  map.Insert("E", Grown({-1}));
  map.Insert("0", Grown({}));  // empty entries follow every entry with ids
  inpM_MapString2BlkBitVectNSIT it(map);
  map.Insert("F", Single(-100));  // later changes are not seen
  map.Get("A").Insert(-200);
  std::string order;
  for (it.First(); !it.IsDone(); it.Next()) order += it.CurrentKey().str() + Held(it.CurrentValue()) + " ";
  EXPECT_EQ(order, "Ebits{-1} Bsingle{7} Dbits{7,8} Abits{50,60} 0bits{} Cempty{} ");
}

TEST(OmiSetAllocation, ASetOfOneIdAllocatesNothing) {
  const long before = kvl_Allocations();
  Single(1).SwitchToOmiSet();
  EXPECT_GT(kvl_Allocations(), before);  // the counter sees a bit vector
  const long start = kvl_Allocations();
  {
    inpM_OmiSet s;
    s.Insert(42);
    EXPECT_TRUE(s.IsMember(42));
    inpM_OmiSet copy(s);
    inpM_OmiSet assigned;
    assigned = copy;
    inpM_OmiSet empty;
    empty += assigned;  // an empty set takes a copy of a single one
    empty &= s;
    s.Remove(42);
    s.Insert(43);
    EXPECT_EQ(empty.SmallestId(), 42);
  }
  EXPECT_EQ(kvl_Allocations(), start);
}

}  // namespace
