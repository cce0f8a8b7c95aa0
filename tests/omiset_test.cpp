#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>
#include <set>
#include <string>
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

// How a set holds its ids and which they are, e.g. "single{7}", "bits{1,5}"
// or "empty{}"; the ids come from the iterator.
std::string Held(const inpM_OmiSet& set) {
  std::string text = set.ConstGetBitVector() ? "bits{"
                     : set.SingleValue() == inpM_OmiSet::kEmptyMarker ? "empty{"
                                                                       : "single{";
  for (int id : Ids(set)) {
    if (text.back() != '{') text += ',';
    text += std::to_string(id);
  }
  return text + "}";
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

TEST(OmiSetStates, InsertionAndConstruction) {
  inpM_OmiSet s;
  EXPECT_EQ(Held(s), "empty{}");
  s.Insert(7);
  EXPECT_EQ(Held(s), "single{7}");
  EXPECT_EQ(s.Size(), 1);
  s.Insert(7);  // the same id again still grows a bit vector
  EXPECT_EQ(Held(s), "bits{7}");
  EXPECT_EQ(s.Size(), 1);

  EXPECT_EQ(Held(inpM_OmiSet(cow_1DArrayList<int>{})), "empty{}");
  EXPECT_EQ(Held(inpM_OmiSet(cow_1DArrayList<int>{3})), "single{3}");
  EXPECT_EQ(Held(inpM_OmiSet(cow_1DArrayList<int>{4, 4})), "bits{4}");
  EXPECT_EQ(Held(inpM_OmiSet(cow_1DArrayList<int>{9, -2, 5, 9})), "bits{-2,5,9}");
}

TEST(OmiSetStates, ClearAndRemovalsKeepTheBitVector) {
  inpM_OmiSet s = Grown({1, 2, 3, 4});
  const omi_Set* bits = s.ConstGetBitVector();
  s.Remove(cow_1DArrayList<int>{2, 4, 6, 2});
  EXPECT_EQ(Held(s), "bits{1,3}");
  s.Clear();
  EXPECT_EQ(Held(s), "bits{}");
  s.Insert(5);  // straight into the bit vector
  EXPECT_EQ(Held(s), "bits{5}");
  s.Remove(5);
  EXPECT_EQ(Held(s), "bits{}");
  EXPECT_EQ(s.ConstGetBitVector(), bits);
}

TEST(OmiSetStates, RemovingTheSingleValue) {
  inpM_OmiSet s = Single(4);
  s.Remove(5);
  s.Remove(cow_1DArrayList<int>{1, 2});
  EXPECT_EQ(Held(s), "single{4}");
  s.Remove(4);
  EXPECT_EQ(Held(s), "empty{}");
  s.Insert(8);
  s.Remove(cow_1DArrayList<int>{1, 8});
  EXPECT_EQ(Held(s), "empty{}");
  s.Insert(8);
  s.Clear();
  EXPECT_EQ(Held(s), "empty{}");
  // The empty marker is never a member, not even of an empty set.
  EXPECT_FALSE(s.IsMember(inpM_OmiSet::kEmptyMarker));
  s.Remove(inpM_OmiSet::kEmptyMarker);
  EXPECT_EQ(Held(s), "empty{}");
}

TEST(OmiSetStates, SwitchToOmiSetMovesTheSingleValue) {
  inpM_OmiSet empty;
  empty.SwitchToOmiSet();
  EXPECT_EQ(Held(empty), "bits{}");
  inpM_OmiSet s = Single(-3);
  s.SwitchToOmiSet();
  EXPECT_EQ(Held(s), "bits{-3}");
  const omi_Set* bits = s.ConstGetBitVector();
  s.SwitchToOmiSet();
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
  // Both are left as they were.
  EXPECT_EQ(Held(good), "single{1}");
  EXPECT_EQ(bad.SingleValue(), 9);
  EXPECT_EQ(Ids(bad), std::vector<int>{1});
}

// ---------------------------------------------------------------------------
// Copies and assignment

TEST(OmiSetCopies, ABitVectorIsCopiedOnlyWhenTheSourceHasOne) {
  EXPECT_EQ(Held(inpM_OmiSet(Single(2))), "single{2}");
  const inpM_OmiSet grown = Grown({1, 2});
  inpM_OmiSet copy(grown);
  EXPECT_NE(copy.ConstGetBitVector(), grown.ConstGetBitVector());
  copy.Insert(3);
  EXPECT_EQ(Held(grown), "bits{1,2}");
  EXPECT_EQ(Held(copy), "bits{1,2,3}");

  copy = Single(6);  // the bit vector goes with an assignment from a single set
  EXPECT_EQ(Held(copy), "single{6}");
  copy = Grown({3});
  EXPECT_EQ(Held(copy), "bits{3}");
  inpM_OmiSet& same = copy;
  copy = same;
  EXPECT_EQ(Held(copy), "bits{3}");

  const omi_Set* bits = copy.ConstGetBitVector();
  inpM_OmiSet moved(std::move(copy));
  inpM_OmiSet target = Single(5);
  target = std::move(moved);
  EXPECT_EQ(target.ConstGetBitVector(), bits);
  EXPECT_EQ(Held(target), "bits{3}");
}

TEST(OmiSetCopies, EqualityIgnoresHowIdsAreHeld) {
  EXPECT_EQ(Single(4), Grown({4}));
  EXPECT_EQ(Grown({4}), Single(4));
  EXPECT_EQ(inpM_OmiSet(), Grown({}));
  EXPECT_EQ(Grown({1, 2}), Grown({2, 1}));
  EXPECT_FALSE(Single(4) == Grown({4, 5}));
  EXPECT_FALSE(Single(4) == Grown({5}));
  EXPECT_FALSE(inpM_OmiSet() == Single(4));
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
  EXPECT_EQ(Held(a), "empty{}");
  a += Single(3);  // empty and single: a copy, still single
  EXPECT_EQ(Held(a), "single{3}");
  a += Single(3);  // two single sets: a bit vector of one or two ids
  EXPECT_EQ(Held(a), "bits{3}");
  inpM_OmiSet b = Single(10);
  b += Single(1);
  EXPECT_EQ(Held(b), "bits{1,10}");
  inpM_OmiSet c = Single(10);
  c += Grown({2, 20});
  EXPECT_EQ(Held(c), "bits{2,10,20}");
  c += inpM_OmiSet();
  c += c;
  EXPECT_EQ(Held(c), "bits{2,10,20}");
  inpM_OmiSet d;
  d += Grown({7, 8});  // empty and a bit vector: a copy with its own
  EXPECT_EQ(Held(d), "bits{7,8}");
}

TEST(OmiSetAlgebra, IntersectionFollowsTheStates) {
  inpM_OmiSet a = Single(5);
  a &= Grown({1, 5});
  EXPECT_EQ(Held(a), "single{5}");
  a &= Grown({1, 2});
  EXPECT_EQ(Held(a), "empty{}");

  inpM_OmiSet b = Grown({1, 5, 9});
  b &= Single(5);  // emptied, and the single value put back
  EXPECT_EQ(Held(b), "bits{5}");
  b &= Single(6);
  EXPECT_EQ(Held(b), "bits{}");
  inpM_OmiSet c = Grown({1, 5, 9});
  c &= inpM_OmiSet();
  EXPECT_EQ(Held(c), "bits{}");

  inpM_OmiSet d = Single(4);
  d &= Single(4);
  EXPECT_EQ(Held(d), "single{4}");
  d &= Single(3);
  EXPECT_EQ(Held(d), "empty{}");

  inpM_OmiSet e = Grown({1, 2, 3});
  e &= Grown({2, 3, 4});
  e &= e;
  EXPECT_EQ(Held(e), "bits{2,3}");
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
        case 4:
          a &= other;
          std::erase_if(twin, [&](int x) { return otherTwin.count(x) == 0; });
          break;
        case 5:
          a = other;
          twin = otherTwin;
          break;
        default:
          if (step % 5 == 0) {
            a.Clear();
            twin.clear();
          }
      }
      ASSERT_EQ(Ids(a), std::vector<int>(twin.begin(), twin.end()));
      ASSERT_EQ(a.Size(), static_cast<int>(twin.size()));
      ASSERT_EQ(a.IsMember(id), twin.count(id) == 1);
      ASSERT_EQ(a.SmallestId(), twin.empty() ? inpM_OmiSet::kEmptyMarker : *twin.begin());
      ASSERT_NO_THROW(a.CheckState());
    }
  }
}

// ---------------------------------------------------------------------------
// Iteration

TEST(OmiSetIteration, IteratorsVisitAscendingHoweverIdsAreHeld) {
  const inpM_OmiSet none;
  inpM_OmiSetIT empty(none);
  EXPECT_TRUE(empty.IsDone());

  const inpM_OmiSet single = Single(-8);
  inpM_OmiSetIT one(single);
  ASSERT_FALSE(one.IsDone());
  EXPECT_EQ(one.CurrentItem(), -8);
  one.Next();
  EXPECT_TRUE(one.IsDone());
  one.First();  // restartable
  EXPECT_EQ(one.CurrentItem(), -8);

  const inpM_OmiSet s(cow_1DArrayList<int>{30, -5, 12, 2147483646, -2147483647 - 1});
  std::vector<int> visited;
  s.ForEach([&visited](int id) { visited.push_back(id); });
  EXPECT_EQ(visited, Ids(s));
  EXPECT_EQ(visited, (std::vector<int>{-2147483647 - 1, -5, 12, 30, 2147483646}));
  EXPECT_EQ(s.SmallestId(), -2147483647 - 1);
  EXPECT_EQ(Single(3).SmallestId(), 3);
  EXPECT_EQ(Grown({}).SmallestId(), inpM_OmiSet::kEmptyMarker);
}

TEST(OmiSetIteration, MapEntriesInOrderOfSmallestId) {
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
  std::string visited;
  for (it.First(); !it.IsDone(); it.Next()) visited += it.CurrentKey().str() + Held(it.CurrentValue()) + " ";
  EXPECT_EQ(visited, "Ebits{-1} Bsingle{7} Dbits{7,8} Abits{50,60} 0bits{} Cempty{} ");

  inpM_MapString2BlkBitVectNSIT none{cow_Map<cow_String, inpM_OmiSet>()};
  none.First();
  EXPECT_TRUE(none.IsDone());
}

// ---------------------------------------------------------------------------
// Allocation

TEST(OmiSetAllocation, ASetOfOneIdAllocatesNothing) {
  const long before = g_allocations;
  Single(1).SwitchToOmiSet();
  EXPECT_GT(g_allocations, before);  // the counter sees a bit vector

  const long start = g_allocations;
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
    EXPECT_EQ(s.Size(), 1);
  }
  EXPECT_EQ(g_allocations, start);
}

}  // namespace
