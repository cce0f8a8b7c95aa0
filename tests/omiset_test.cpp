#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>
#include <set>
#include <type_traits>
#include <vector>

#include "inpM_OmiSet.h"
#include "nex.h"

// Every allocation of this test program is counted, so that a test can show
// that an operation allocates nothing.
namespace {
long g_allocations = 0;
}

// Kept out of line so that the compiler never pairs an inlined malloc with a
// delete expression.
[[gnu::noinline]] void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  ++g_allocations;
  return std::malloc(n ? n : 1);
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

std::vector<int> Ids(const inpM_OmiSet& set) {
  std::vector<int> ids;
  for (inpM_OmiSetIT it(set); !it.IsDone(); it.Next()) ids.push_back(it.CurrentItem());
  return ids;
}

std::vector<int> Ids(const cow_1DArrayList<int>& list) { return list.ConstVector(); }

inpM_OmiSet Single(int id) {
  inpM_OmiSet s;
  s.Insert(id);
  return s;
}

inpM_OmiSet Grown(std::initializer_list<int> ids) {
  inpM_OmiSet s;
  s.SwitchToOmiSet();
  for (int id : ids) s.Insert(id);
  return s;
}

// Forces the state that no operation reaches, a bit vector beside a single
// value, by writing the single value (the int after the bit vector pointer)
// of a grown set directly.
inpM_OmiSet Invalid() {
  static_assert(std::is_standard_layout_v<inpM_OmiSet>);
  inpM_OmiSet s = Grown({1});
  int* single = reinterpret_cast<int*>(reinterpret_cast<char*>(&s) + sizeof(omi_Set*));
  EXPECT_EQ(*single, inpM_OmiSet::kEmptyMarker);
  *single = 9;
  return s;
}

// ---------------------------------------------------------------------------
// States and transitions

TEST(OmiSetStates, InsertingTheSameIdTwiceGrowsABitVector) {
  inpM_OmiSet s;
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.ConstGetBitVector(), nullptr);
  s.Insert(7);
  EXPECT_EQ(s.ConstGetBitVector(), nullptr);
  EXPECT_EQ(s.SingleValue(), 7);
  EXPECT_EQ(s.Size(), 1);
  s.Insert(7);
  ASSERT_NE(s.ConstGetBitVector(), nullptr);
  EXPECT_EQ(s.SingleValue(), inpM_OmiSet::kEmptyMarker);
  EXPECT_EQ(s.Size(), 1);
  EXPECT_TRUE(s.IsMember(7));
}

TEST(OmiSetStates, ListConstruction) {
  EXPECT_EQ(inpM_OmiSet(cow_1DArrayList<int>{}).Size(), 0);
  const inpM_OmiSet one(cow_1DArrayList<int>{3});
  EXPECT_EQ(one.ConstGetBitVector(), nullptr);
  EXPECT_EQ(one.SingleValue(), 3);
  const inpM_OmiSet twice(cow_1DArrayList<int>{4, 4});
  ASSERT_NE(twice.ConstGetBitVector(), nullptr);
  EXPECT_EQ(twice.Size(), 1);
  EXPECT_EQ(Ids(twice), std::vector<int>{4});
  const inpM_OmiSet many(cow_1DArrayList<int>{9, -2, 5, 9});
  EXPECT_EQ(Ids(many), (std::vector<int>{-2, 5, 9}));
}

TEST(OmiSetStates, ClearAndRemovalsKeepTheBitVector) {
  inpM_OmiSet s = Grown({1, 2, 3});
  const omi_Set* bits = s.ConstGetBitVector();
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.ConstGetBitVector(), bits);
  s.Insert(5);  // straight into the bit vector
  EXPECT_EQ(s.ConstGetBitVector(), bits);
  EXPECT_EQ(s.SingleValue(), inpM_OmiSet::kEmptyMarker);
  s.Remove(5);
  EXPECT_EQ(s.ConstGetBitVector(), bits);
  EXPECT_EQ(s.Size(), 0);
}

TEST(OmiSetStates, RemovingFromASingleSet) {
  inpM_OmiSet s = Single(4);
  s.Remove(5);
  EXPECT_EQ(s.Size(), 1);
  s.Remove(4);
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.ConstGetBitVector(), nullptr);

  s.Insert(8);
  s.Remove(cow_1DArrayList<int>{1, 2});
  EXPECT_EQ(s.Size(), 1);
  s.Remove(cow_1DArrayList<int>{1, 8});
  EXPECT_EQ(s.Size(), 0);
  s.Remove(cow_1DArrayList<int>{inpM_OmiSet::kEmptyMarker});
  EXPECT_EQ(s.Size(), 0);
}

TEST(OmiSetStates, RemovingAListFromABitVector) {
  inpM_OmiSet s = Grown({1, 2, 3, 4});
  s.Remove(cow_1DArrayList<int>{2, 4, 6, 2});
  EXPECT_EQ(Ids(s), (std::vector<int>{1, 3}));
}

TEST(OmiSetStates, EmptyMarkerIsNoMember) {
  inpM_OmiSet s;
  EXPECT_FALSE(s.IsMember(inpM_OmiSet::kEmptyMarker));
  s.Insert(1);
  EXPECT_FALSE(s.IsMember(0));
  EXPECT_TRUE(s.IsMember(1));
}

TEST(OmiSetStates, SwitchToOmiSetMovesTheSingleValue) {
  inpM_OmiSet empty;
  empty.SwitchToOmiSet();
  ASSERT_NE(empty.ConstGetBitVector(), nullptr);
  EXPECT_EQ(empty.Size(), 0);

  inpM_OmiSet s = Single(-3);
  s.SwitchToOmiSet();
  EXPECT_EQ(s.SingleValue(), inpM_OmiSet::kEmptyMarker);
  EXPECT_EQ(Ids(s), std::vector<int>{-3});
  const omi_Set* bits = s.ConstGetBitVector();
  s.SwitchToOmiSet();  // a second switch keeps the bit vector
  EXPECT_EQ(s.ConstGetBitVector(), bits);
}

TEST(OmiSetStates, CheckStateReportsABitVectorBesideASingleValue) {
  inpM_OmiSet bad = Invalid();
  try {
    bad.CheckState();
    ADD_FAILURE() << "no exception";
  } catch (const nex_TextException& e) {
    EXPECT_EQ(e.UserReport().str(), "Invalid state for inpM_OmiSet::SwitchToOmiSet()\n");
    EXPECT_EQ(e.File(), "inp/map/impl/inpM_OmiSet");
    EXPECT_EQ(e.Line(), 67);
  }
  inpM_OmiSet good = Single(1);
  EXPECT_THROW(good += bad, nex_TextException);
  EXPECT_THROW(bad += good, nex_TextException);
  EXPECT_THROW(good &= bad, nex_TextException);
  EXPECT_THROW(bad.SwitchToOmiSet(), nex_TextException);
  // The state is left as it was.
  EXPECT_EQ(Ids(good), std::vector<int>{1});
  EXPECT_EQ(bad.SingleValue(), 9);
  EXPECT_NO_THROW(Grown({1}).CheckState());
  EXPECT_NO_THROW(Single(1).CheckState());
}

// ---------------------------------------------------------------------------
// Copies and assignment

TEST(OmiSetCopies, CopyMakesANewBitVectorOnlyWhenTheSourceHasOne) {
  const inpM_OmiSet single = Single(2);
  const inpM_OmiSet singleCopy(single);
  EXPECT_EQ(singleCopy.ConstGetBitVector(), nullptr);
  EXPECT_EQ(singleCopy.SingleValue(), 2);

  inpM_OmiSet grown = Grown({1, 2});
  inpM_OmiSet grownCopy(grown);
  ASSERT_NE(grownCopy.ConstGetBitVector(), nullptr);
  EXPECT_NE(grownCopy.ConstGetBitVector(), grown.ConstGetBitVector());
  grownCopy.Insert(3);
  EXPECT_EQ(grown.Size(), 2);
  EXPECT_EQ(grownCopy.Size(), 3);
}

TEST(OmiSetCopies, AssignmentFromASetWithoutBitVectorDropsOurs) {
  inpM_OmiSet s = Grown({1, 2});
  s = Single(6);
  EXPECT_EQ(s.ConstGetBitVector(), nullptr);
  EXPECT_EQ(s.SingleValue(), 6);
  s = Grown({3});
  ASSERT_NE(s.ConstGetBitVector(), nullptr);
  EXPECT_EQ(Ids(s), std::vector<int>{3});
  inpM_OmiSet& same = s;
  s = same;
  EXPECT_EQ(Ids(s), std::vector<int>{3});
}

TEST(OmiSetCopies, MoveTakesTheBitVector) {
  inpM_OmiSet s = Grown({1, 2});
  const omi_Set* bits = s.ConstGetBitVector();
  inpM_OmiSet moved(std::move(s));
  EXPECT_EQ(moved.ConstGetBitVector(), bits);
  inpM_OmiSet target = Single(5);
  target = std::move(moved);
  EXPECT_EQ(target.ConstGetBitVector(), bits);
  EXPECT_EQ(Ids(target), (std::vector<int>{1, 2}));
}

TEST(OmiSetCopies, EqualityIgnoresHowIdsAreHeld) {
  EXPECT_EQ(Single(4), Grown({4}));
  EXPECT_EQ(Grown({4}), Single(4));
  EXPECT_EQ(inpM_OmiSet(), Grown({}));
  EXPECT_FALSE(Single(4) == Grown({4, 5}));
  EXPECT_FALSE(Single(4) == Grown({5}));
  EXPECT_FALSE(inpM_OmiSet() == Single(4));
  EXPECT_EQ(Grown({1, 2}), Grown({2, 1}));
}

TEST(OmiSetCopies, ArrayCounterpart) {
  EXPECT_TRUE(inpM_OmiSet().ConstGetArrayCounterpart().IsEmpty());
  EXPECT_EQ(Ids(Single(3).ConstGetArrayCounterpart()), std::vector<int>{3});
  inpM_OmiSet s = Grown({9, -1, 4});
  EXPECT_EQ(Ids(s.ConstGetArrayCounterpart()), (std::vector<int>{-1, 4, 9}));
  s.Clear();
  EXPECT_TRUE(s.ConstGetArrayCounterpart().IsEmpty());
}

// ---------------------------------------------------------------------------
// Union and intersection

TEST(OmiSetAlgebra, UnionFollowsTheStates) {
  inpM_OmiSet a;
  a += inpM_OmiSet();
  EXPECT_EQ(a.Size(), 0);
  EXPECT_EQ(a.ConstGetBitVector(), nullptr);

  a += Single(3);  // empty + single: a copy, still single
  EXPECT_EQ(a.ConstGetBitVector(), nullptr);
  EXPECT_EQ(a.SingleValue(), 3);

  inpM_OmiSet same = Single(3);
  same += Single(3);  // two single sets: a bit vector of one id
  ASSERT_NE(same.ConstGetBitVector(), nullptr);
  EXPECT_EQ(Ids(same), std::vector<int>{3});

  a += Single(1);
  ASSERT_NE(a.ConstGetBitVector(), nullptr);
  EXPECT_EQ(Ids(a), (std::vector<int>{1, 3}));

  inpM_OmiSet b = Single(10);
  b += Grown({2, 20});
  EXPECT_EQ(Ids(b), (std::vector<int>{2, 10, 20}));

  inpM_OmiSet c = Grown({5});
  c += inpM_OmiSet();
  EXPECT_EQ(Ids(c), std::vector<int>{5});

  inpM_OmiSet d;
  d += Grown({7, 8});  // empty + bit vector: a copy with its own bit vector
  ASSERT_NE(d.ConstGetBitVector(), nullptr);
  EXPECT_EQ(Ids(d), (std::vector<int>{7, 8}));

  d += d;
  EXPECT_EQ(Ids(d), (std::vector<int>{7, 8}));
}

TEST(OmiSetAlgebra, IntersectionFollowsTheStates) {
  inpM_OmiSet a = Single(5);
  a &= Grown({1, 5});
  EXPECT_EQ(Ids(a), std::vector<int>{5});
  EXPECT_EQ(a.ConstGetBitVector(), nullptr);
  a &= Grown({1, 2});
  EXPECT_EQ(a.Size(), 0);

  inpM_OmiSet b = Grown({1, 5, 9});
  const omi_Set* bits = b.ConstGetBitVector();
  b &= Single(5);
  EXPECT_EQ(Ids(b), std::vector<int>{5});
  EXPECT_EQ(b.ConstGetBitVector(), bits);
  b &= Single(6);
  EXPECT_EQ(b.Size(), 0);
  EXPECT_EQ(b.ConstGetBitVector(), bits);

  inpM_OmiSet c = Grown({1, 5, 9});
  c &= inpM_OmiSet();
  EXPECT_EQ(c.Size(), 0);

  inpM_OmiSet d = Single(4);
  d &= Single(4);
  EXPECT_EQ(Ids(d), std::vector<int>{4});
  d &= Single(3);
  EXPECT_EQ(d.Size(), 0);
  d &= Single(3);  // an empty set stays empty
  EXPECT_EQ(d.Size(), 0);

  inpM_OmiSet e = Grown({1, 2, 3});
  e &= Grown({2, 3, 4});
  EXPECT_EQ(Ids(e), (std::vector<int>{2, 3}));
  e &= e;
  EXPECT_EQ(Ids(e), (std::vector<int>{2, 3}));
}

// The operations against a plain std::set twin over random sequences, with
// sets kept in all three states.
TEST(OmiSetAlgebra, RandomSequencesMatchATwin) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> idOf(-40, 40);
  std::uniform_int_distribution<int> opOf(0, 7);
  for (int round = 0; round < 200; ++round) {
    inpM_OmiSet a;
    std::set<int> twin;
    for (int step = 0; step < 30; ++step) {
      const int id = idOf(rng);
      inpM_OmiSet other;
      std::set<int> otherTwin;
      const int otherSize = step % 3;  // empty, single or two ids
      for (int k = 0; k < otherSize; ++k) {
        const int o = idOf(rng);
        other.Insert(o);
        otherTwin.insert(o);
      }
      switch (opOf(rng)) {
        case 0:
        case 1:
          a.Insert(id);
          twin.insert(id);
          break;
        case 2:
          a.Remove(id);
          twin.erase(id);
          break;
        case 3:
          a += other;
          twin.insert(otherTwin.begin(), otherTwin.end());
          break;
        case 4: {
          a &= other;
          std::set<int> kept;
          for (int x : twin)
            if (otherTwin.count(x)) kept.insert(x);
          twin = kept;
          break;
        }
        case 5:
          if (step % 5 == 0) {
            a.Clear();
            twin.clear();
          }
          break;
        case 6:
          a = other;
          twin = otherTwin;
          break;
        default:
          EXPECT_EQ(a.IsMember(id), twin.count(id) == 1);
      }
      ASSERT_EQ(Ids(a), std::vector<int>(twin.begin(), twin.end()));
      ASSERT_EQ(a.Size(), static_cast<int>(twin.size()));
      ASSERT_EQ(a.SmallestId(), twin.empty() ? inpM_OmiSet::kEmptyMarker : *twin.begin());
      ASSERT_NO_THROW(a.CheckState());
    }
  }
}

// ---------------------------------------------------------------------------
// Iteration

TEST(OmiSetIteration, IteratorOverEmptyAndSingleSets) {
  const inpM_OmiSet empty;
  inpM_OmiSetIT it(empty);
  it.First();
  EXPECT_TRUE(it.IsDone());

  const inpM_OmiSet single = Single(-8);
  inpM_OmiSetIT one(single);
  one.First();
  ASSERT_FALSE(one.IsDone());
  EXPECT_EQ(one.CurrentItem(), -8);
  one.Next();
  EXPECT_TRUE(one.IsDone());
  one.First();  // restartable
  EXPECT_EQ(one.CurrentItem(), -8);

  const inpM_OmiSet cleared = [] {
    inpM_OmiSet s = Grown({1});
    s.Clear();
    return s;
  }();
  EXPECT_TRUE(Ids(cleared).empty());
}

TEST(OmiSetIteration, ForEachAndSmallestAgreeWithTheIterator) {
  const inpM_OmiSet s(cow_1DArrayList<int>{30, -5, 12, 2147483646, -2147483647 - 1});
  std::vector<int> visited;
  s.ForEach([&visited](int id) { visited.push_back(id); });
  EXPECT_EQ(visited, Ids(s));
  EXPECT_EQ(visited, (std::vector<int>{-2147483647 - 1, -5, 12, 30, 2147483646}));
  EXPECT_EQ(s.SmallestId(), -2147483647 - 1);
  EXPECT_EQ(Single(3).SmallestId(), 3);
  EXPECT_EQ(inpM_OmiSet().SmallestId(), inpM_OmiSet::kEmptyMarker);
}

TEST(OmiSetIteration, MapEntriesInOrderOfSmallestId) {
  cow_Map<cow_String, inpM_OmiSet> map;
  map.Insert("A", Grown({50, 60}));
  map.Insert("B", Single(7));
  map.Insert("C", inpM_OmiSet());
  map.Insert("D", Grown({7, 8}));  // ties with B: name order decides
  map.Insert("E", Grown({-1}));
  map.Insert("0", Grown({}));  // empty too: after every entry with ids
  inpM_MapString2BlkBitVectNSIT it(map);
  map.Insert("F", Single(-100));  // a later change is not seen
  map.Get("A").Insert(-200);
  std::vector<std::string> keys;
  std::vector<int> sizes;
  for (it.First(); !it.IsDone(); it.Next()) {
    keys.push_back(it.CurrentKey().str());
    sizes.push_back(it.CurrentValue().Size());
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"E", "B", "D", "A", "0", "C"}));
  EXPECT_EQ(sizes, (std::vector<int>{1, 1, 2, 2, 0, 0}));
}

TEST(OmiSetIteration, EmptyMapIsDoneAtOnce) {
  inpM_MapString2BlkBitVectNSIT it{cow_Map<cow_String, inpM_OmiSet>()};
  it.First();
  EXPECT_TRUE(it.IsDone());
}

// ---------------------------------------------------------------------------
// Allocation

TEST(OmiSetAllocation, ASetOfOneIdAllocatesNothing) {
  const long before = g_allocations;
  {
    inpM_OmiSet s = Single(1);
    s.Insert(2);
  }
  EXPECT_GT(g_allocations - before, 0);  // the counter sees a bit vector

  const long start = g_allocations;
  {
    inpM_OmiSet s;
    s.Insert(42);
    EXPECT_TRUE(s.IsMember(42));
    EXPECT_EQ(s.Size(), 1);
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
  EXPECT_EQ(g_allocations - start, 0);
}

}  // namespace
