// Copy-on-write values: copies share storage until one of them is written,
// the const path never detaches, and the orders that reports depend on.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cow.h"

// Readable failure messages for strings.
void PrintTo(const cow_String& s, std::ostream* os) { *os << '"' << s.str() << '"'; }

namespace {

// ---------------------------------------------------------------------------
// cow_String

TEST(CowString, OrdersByUnsignedBytes) {
  // A byte >= 0x80 is larger than every ASCII byte, as strcmp orders it.
  EXPECT_LT(cow_String("z"), cow_String("\xC3"));
  EXPECT_LT(cow_String("zz"), cow_String("\xC3\x80"));
  EXPECT_LT(cow_String("\x7F"), cow_String("\x80"));
  // A proper prefix comes first.
  EXPECT_LT(cow_String("ab"), cow_String("abc"));
  EXPECT_LT(cow_String(""), cow_String("a"));
  // Upper case before lower case: plain byte values, no folding.
  EXPECT_LT(cow_String("Z"), cow_String("a"));
  EXPECT_TRUE((cow_String("abc") <=> cow_String("abc")) == 0);
  EXPECT_NE(cow_String("abc"), cow_String("abd"));
}

TEST(CowString, LengthConstructorTakesExactlyThatManyBytes) {
  const cow_String s("ab\0cd", 5);
  EXPECT_EQ(s.Length(), 5);
  EXPECT_EQ(s[2], '\0');
  EXPECT_EQ(cow_String("abcdef", 3), cow_String("abc"));
  EXPECT_TRUE(cow_String(static_cast<const char*>(nullptr)).IsEmpty());
}

TEST(CowString, FindAndSubstr) {
  const cow_String s("SET-1.set-2");
  EXPECT_EQ(s.Find("set"), 6);
  EXPECT_EQ(s.Find("SET", 1), cow_String::npos);
  EXPECT_EQ(s.Find('-', 4), 9);
  EXPECT_EQ(s.Find("x"), cow_String::npos);
  EXPECT_EQ(s.Find("S", -1), cow_String::npos);
  EXPECT_EQ(s.Find("S", 99), cow_String::npos);
  // The empty pattern is found where the search starts, even at the end.
  EXPECT_EQ(s.Find("", 11), 11);

  EXPECT_EQ(s.Substr(6), cow_String("set-2"));
  EXPECT_EQ(s.Substr(0, 3), cow_String("SET"));
  EXPECT_EQ(s.Substr(9, 100), cow_String("-2"));
  EXPECT_TRUE(s.Substr(11).IsEmpty());
  EXPECT_TRUE(s.Substr(-1, 2).IsEmpty());
  EXPECT_TRUE(s.Substr(2, 0).IsEmpty());
}

TEST(CowString, ToUpperLeavesOtherBytesAndTheOriginal) {
  const cow_String s("part-1_\xC3\xA4z");
  EXPECT_EQ(s.ToUpper(), cow_String("PART-1_\xC3\xA4Z"));
  EXPECT_EQ(s, cow_String("part-1_\xC3\xA4z"));
}

TEST(CowString, TrimRemovesEveryByteOfTheSet) {
  cow_String s("\"\" a \"b\" \"\"");
  s.LeftTrim("\"");
  EXPECT_EQ(s, cow_String(" a \"b\" \"\""));
  s.RightTrim("\"");
  EXPECT_EQ(s, cow_String(" a \"b\" "));
  s.Trim(" ");
  EXPECT_EQ(s, cow_String("a \"b\""));

  cow_String t(" \t\t ");
  EXPECT_TRUE(t.Trim(" \t").IsEmpty());
  cow_String u("xyx");
  EXPECT_TRUE(u.LeftTrim("xy").IsEmpty());
  cow_String v("abc");
  EXPECT_EQ(v.RightTrim("").Trim("q"), cow_String("abc"));
}

TEST(CowString, CopyChangesIndependently) {
  cow_String a("name");
  cow_String b = a;
  b.append("-1");
  b += cow_String("x");
  EXPECT_EQ(a, cow_String("name"));
  EXPECT_EQ(b, cow_String("name-1x"));
  EXPECT_EQ(a + cow_String("!"), cow_String("name!"));
}

// ---------------------------------------------------------------------------
// Handles

// Counts live objects so that tests see every object freed exactly once.
struct Tracked {
  static inline int live = 0;
  explicit Tracked(int v = 0) : value(v) { ++live; }
  Tracked(const Tracked& o) : value(o.value) { ++live; }
  Tracked& operator=(const Tracked&) = default;
  ~Tracked() { --live; }
  int value;
};

class CowHandle : public ::testing::Test {
 protected:
  void SetUp() override { Tracked::live = 0; }
  void TearDown() override { EXPECT_EQ(Tracked::live, 0); }
};

TEST_F(CowHandle, CopySharesUntilWritten) {
  cow_COW<Tracked> a(new Tracked(1));
  cow_COW<Tracked> b = a;
  EXPECT_TRUE(a.SharesWith(b));
  EXPECT_TRUE(a.IsShared());
  EXPECT_EQ(Tracked::live, 1);

  b.Get().value = 2;
  EXPECT_FALSE(a.SharesWith(b));
  EXPECT_FALSE(a.IsShared());
  EXPECT_FALSE(b.IsShared());
  EXPECT_EQ(a->value, 1);
  EXPECT_EQ(b->value, 2);
  EXPECT_EQ(Tracked::live, 2);
}

TEST_F(CowHandle, ConstAccessNeverDetaches) {
  cow_COW<Tracked> a(new Tracked(5));
  const cow_COW<Tracked> b = a;
  EXPECT_EQ(b.ConstGet().value, 5);
  EXPECT_EQ((*b).value, 5);
  EXPECT_EQ(b->value, 5);
  EXPECT_EQ(b.ConstPtr(), a.ConstPtr());
  EXPECT_TRUE(a.SharesWith(b));
  EXPECT_EQ(Tracked::live, 1);
}

TEST_F(CowHandle, SoleOwnerWritesInPlace) {
  cow_COW<Tracked> a(new Tracked(1));
  const Tracked* before = a.ConstPtr();
  a.Get().value = 3;
  EXPECT_EQ(a.ConstPtr(), before);
  {
    cow_COW<Tracked> b = a;
  }
  // The copy is gone: the handle is sole owner again.
  EXPECT_FALSE(a.IsShared());
  a.Get().value = 4;
  EXPECT_EQ(a.ConstPtr(), before);
}

TEST_F(CowHandle, EmptyHandlesAndOwnership) {
  cow_COW<Tracked> empty;
  EXPECT_FALSE(empty.HasValue());
  EXPECT_FALSE(empty.IsShared());
  EXPECT_EQ(empty.ConstPtr(), nullptr);
  cow_COW<Tracked> null(static_cast<Tracked*>(nullptr));
  EXPECT_FALSE(null.HasValue());

  const Tracked original(7);
  cow_COW<Tracked> copied(original);
  EXPECT_NE(copied.ConstPtr(), &original);
  copied.Get().value = 8;
  EXPECT_EQ(original.value, 7);

  cow_COW<Tracked> moved = std::move(copied);
  EXPECT_FALSE(copied.HasValue());
  EXPECT_EQ(moved->value, 8);

  moved.Set(new Tracked(9));
  EXPECT_EQ(moved->value, 9);
  moved.Clear();
  EXPECT_FALSE(moved.HasValue());
}

TEST_F(CowHandle, AssignmentReleasesTheOldObject) {
  cow_COW<Tracked> a(new Tracked(1));
  cow_COW<Tracked> b(new Tracked(2));
  EXPECT_EQ(Tracked::live, 2);
  b = a;
  EXPECT_EQ(Tracked::live, 1);
  EXPECT_TRUE(a.SharesWith(b));
  const cow_COW<Tracked>& self = b;
  b = self;
  EXPECT_EQ(b->value, 1);
  EXPECT_TRUE(a.IsShared());
  a = cow_COW<Tracked>();
  EXPECT_FALSE(b.IsShared());
  EXPECT_EQ(Tracked::live, 1);
}

// A polymorphic family copied through its virtual Copy.
class Shape {
 public:
  virtual ~Shape() = default;
  virtual Shape* Copy() const = 0;
  virtual std::string Kind() const = 0;
  int size = 0;
};

class Circle : public Shape {
 public:
  Shape* Copy() const override { return new Circle(*this); }
  std::string Kind() const override { return "circle"; }
  int radius = 0;
};

class Square : public Shape {
 public:
  Shape* Copy() const override { return new Square(*this); }
  std::string Kind() const override { return "square"; }
};

using ShapeHandle = cow_ArrayCOW<Shape, cow_Virtual<Shape>>;

TEST(CowVirtual, DetachKeepsTheDynamicClass) {
  Circle* c = new Circle;
  c->radius = 4;
  ShapeHandle a(c);
  ShapeHandle b = a;
  b.Get().size = 2;

  ASSERT_FALSE(a.SharesWith(b));
  EXPECT_EQ(b->Kind(), "circle");
  const Circle* copy = dynamic_cast<const Circle*>(b.ConstPtr());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->radius, 4);
  EXPECT_EQ(b->size, 2);
  EXPECT_EQ(a->size, 0);
  EXPECT_EQ(a.ConstPtr(), c);
}

TEST(CowVirtual, ValueConstructorCopiesThroughThePolicy) {
  const Square square;
  ShapeHandle h{static_cast<const Shape&>(square)};
  EXPECT_EQ(h->Kind(), "square");
  EXPECT_NE(h.ConstPtr(), &square);
}

TEST(CowVirtual, HandlesInAMapDetachOnWrite) {
  cow_Map<cow_String, ShapeHandle> shapes;
  shapes.Insert("c", ShapeHandle(new Circle));
  shapes.Insert("s", ShapeHandle(new Square));
  cow_Map<cow_String, ShapeHandle> copy = shapes;
  copy.Get("c").Get().size = 9;

  EXPECT_EQ(shapes.ConstGet("c")->size, 0);
  EXPECT_EQ(copy.ConstGet("c")->size, 9);
  EXPECT_EQ(copy.ConstGet("c")->Kind(), "circle");
  // The untouched entry is still one object for both maps.
  EXPECT_TRUE(copy.ConstGet("s").SharesWith(shapes.ConstGet("s")));
}

// ---------------------------------------------------------------------------
// Lists and arrays

TEST(Cow1DArrayList, KeepsInsertionOrder) {
  cow_1DArrayList<int> l;
  EXPECT_TRUE(l.IsEmpty());
  for (int v : {5, -1, 3, 5}) l.Append(v);
  EXPECT_EQ(l, (cow_1DArrayList<int>{5, -1, 3, 5}));
  EXPECT_FALSE(l.AppendUnlessMember(3));
  EXPECT_TRUE(l.AppendUnlessMember(0));
  EXPECT_EQ(l.Size(), 5);
  EXPECT_EQ(l[4], 0);
  EXPECT_TRUE(l.IsMember(-1));
  EXPECT_FALSE(l.IsMember(7));
}

TEST(Cow1DArrayList, RemovalOperations) {
  cow_1DArrayList<int> l{4, 7, 4, 9};
  EXPECT_TRUE(l.RemoveMember(4));  // the first one only
  EXPECT_EQ(l, (cow_1DArrayList<int>{7, 4, 9}));
  EXPECT_FALSE(l.RemoveMember(1));
  EXPECT_FALSE(l.Remove(3));
  EXPECT_FALSE(l.Remove(-1));
  EXPECT_TRUE(l.Remove(2));
  EXPECT_EQ(l, (cow_1DArrayList<int>{7, 4}));
  l.Clear();
  EXPECT_TRUE(l.IsEmpty());
  EXPECT_FALSE(l.Remove(0));
}

TEST(Cow1DArrayList, AppendList) {
  cow_1DArrayList<int> a{1, 2};
  cow_1DArrayList<int> b{3};
  a.Append(b);
  EXPECT_EQ(a, (cow_1DArrayList<int>{1, 2, 3}));
  a.Append(cow_1DArrayList<int>());
  EXPECT_EQ(a.Size(), 3);
  // Appending to an empty list takes the other's storage without copying.
  cow_1DArrayList<int> empty;
  empty.Append(a);
  EXPECT_TRUE(empty.SharesWith(a));
  empty.Append(4);
  EXPECT_EQ(a.Size(), 3);
  // Appending a list to itself doubles it.
  a.Append(a);
  EXPECT_EQ(a, (cow_1DArrayList<int>{1, 2, 3, 1, 2, 3}));
}

TEST(Cow1DArrayList, CArrayRoundTrip) {
  const cow_1DArrayList<int> l{3, 1, 2};
  int n = -1;
  std::unique_ptr<int[]> a = l.GetCArray(n);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(a[0], 3);
  EXPECT_EQ(a[2], 2);

  cow_1DArrayList<int> empty;
  std::unique_ptr<int[]> none = empty.GetCArray(n);
  EXPECT_EQ(n, 0);

  cow_1DArrayList<int> target{9, 9, 9, 9};
  const int values[] = {6, 5};
  target.SetFromArray(values, 2);
  EXPECT_EQ(target, (cow_1DArrayList<int>{6, 5}));
  target.SetFromArray(values, 0);
  EXPECT_TRUE(target.IsEmpty());
}

TEST(Cow1DArrayList, CopyChangesIndependently) {
  const cow_1DArrayList<int> original{1, 2, 3};
  // Each writing operation on a fresh copy leaves the original alone.
  std::vector<void (*)(cow_1DArrayList<int>&)> writes = {
      [](cow_1DArrayList<int>& l) { l.Append(4); },
      [](cow_1DArrayList<int>& l) { l.AppendUnlessMember(4); },
      [](cow_1DArrayList<int>& l) { l.Get(0) = 9; },
      [](cow_1DArrayList<int>& l) { l.RemoveMember(2); },
      [](cow_1DArrayList<int>& l) { l.Remove(0); },
      [](cow_1DArrayList<int>& l) { l.Clear(); },
      [](cow_1DArrayList<int>& l) { l.Append(cow_1DArrayList<int>{8}); },
      [](cow_1DArrayList<int>& l) {
        const int v[] = {7};
        l.SetFromArray(v, 1);
      },
      [](cow_1DArrayList<int>& l) { l.GetVector().push_back(5); },
  };
  for (size_t i = 0; i < writes.size(); ++i) {
    cow_1DArrayList<int> copy = original;
    ASSERT_TRUE(copy.SharesWith(original));
    writes[i](copy);
    EXPECT_FALSE(copy.SharesWith(original)) << "write " << i;
    EXPECT_EQ(original, (cow_1DArrayList<int>{1, 2, 3})) << "write " << i;
    EXPECT_NE(copy, original) << "write " << i;
  }
}

TEST(Cow1DArrayList, ConstPathNeverDetaches) {
  cow_1DArrayList<int> a{1, 2, 3};
  const cow_1DArrayList<int> b = a;
  int n = 0;
  EXPECT_EQ(b.ConstGet(1), 2);
  EXPECT_TRUE(b.IsMember(3));
  EXPECT_EQ(b.GetCArray(n)[0], 1);
  EXPECT_EQ(b.ConstVector().size(), 3u);
  int sum = 0;
  for (int v : b) sum += v;
  EXPECT_EQ(sum, 6);
  // Non-const reads of the writable list go through the const path too.
  EXPECT_EQ(a[0], 1);
  EXPECT_EQ(a.Size(), 3);
  EXPECT_TRUE(a.SharesWith(b));
  // Operations that find nothing to change do not detach either.
  EXPECT_FALSE(a.RemoveMember(42));
  EXPECT_FALSE(a.Remove(5));
  EXPECT_FALSE(a.AppendUnlessMember(1));
  EXPECT_TRUE(a.SharesWith(b));
}

TEST(Cow1DArray, FixedLengthAndIterator) {
  cow_1DArray<int> a(3);
  EXPECT_EQ(a.Size(), 3);
  EXPECT_EQ(a.PartialArrayConstGet(2), 0);
  a.Get(0) = 10;
  a.Get(2) = 30;

  const cow_1DArray<int> copy = a;
  EXPECT_TRUE(a.SharesWith(copy));
  a.Get(1) = 20;
  EXPECT_FALSE(a.SharesWith(copy));
  EXPECT_EQ(copy.PartialArrayConstGet(1), 0);

  std::vector<int> seen;
  cow_1DArrayIter<int> it(a);
  for (it.First(); !it.IsDone(); it.Next()) seen.push_back(it.CurrentItem());
  EXPECT_EQ(seen, (std::vector<int>{10, 20, 30}));

  const int values[] = {1, 2};
  a.SetFromArray(values, 2);
  EXPECT_EQ(a.Size(), 2);
  EXPECT_EQ(copy.Size(), 3);

  cow_1DArray<int> none;
  cow_1DArrayIter<int> empty(none);
  empty.First();
  EXPECT_TRUE(empty.IsDone());
}

TEST(Cow1DArray, IteratorSeesTheArrayAsItWasWhenMade) {
  cow_1DArray<int> a(2);
  cow_1DArrayIter<int> it(a);
  a.Get(0) = 5;
  it.First();
  EXPECT_EQ(it.CurrentItem(), 0);
}

TEST(CowList, InsertionOrderAndMembership) {
  cow_List<cow_String> l{"b", "a"};
  l.Append("c");
  EXPECT_FALSE(l.AppendUnlessMember("a"));
  EXPECT_TRUE(l.AppendUnlessMember("d"));
  EXPECT_EQ(l, (cow_List<cow_String>{"b", "a", "c", "d"}));
  l.Append(cow_List<cow_String>{"a"});
  EXPECT_TRUE(l.Remove("a"));  // the first one
  EXPECT_EQ(l, (cow_List<cow_String>{"b", "c", "d", "a"}));
  EXPECT_FALSE(l.Remove("x"));
  EXPECT_TRUE(l.RemoveFirst());
  EXPECT_EQ(l.ConstGet(0), cow_String("c"));
  l.Clear();
  EXPECT_TRUE(l.IsEmpty());
  EXPECT_FALSE(l.RemoveFirst());
  l.Append(l);
  EXPECT_TRUE(l.IsEmpty());
}

TEST(CowList, CopyChangesIndependently) {
  cow_List<cow_String> a{"x", "y"};
  cow_List<cow_String> b = a;
  EXPECT_TRUE(b.SharesWith(a));
  EXPECT_TRUE(b.IsMember("y"));
  EXPECT_EQ(b[1], cow_String("y"));
  EXPECT_TRUE(b.SharesWith(a));

  b.Append("z");
  EXPECT_FALSE(b.SharesWith(a));
  EXPECT_EQ(a.Size(), 2);

  cow_List<cow_String> c = a;
  c.RemoveFirst();
  cow_List<cow_String> d = a;
  d.Remove("y");
  cow_List<cow_String> e = a;
  e.Clear();
  EXPECT_EQ(a, (cow_List<cow_String>{"x", "y"}));
  EXPECT_EQ(c, (cow_List<cow_String>{"y"}));
  EXPECT_EQ(d, (cow_List<cow_String>{"x"}));
  EXPECT_TRUE(e.IsEmpty());
}

TEST(CowList, SelfAppendDoubles) {
  cow_List<cow_String> l{"p", "q"};
  l.Append(l);
  EXPECT_EQ(l, (cow_List<cow_String>{"p", "q", "p", "q"}));
}

// ---------------------------------------------------------------------------
// Maps

template <class K, class V>
std::vector<K> KeysOf(const cow_Map<K, V>& m) {
  std::vector<K> keys;
  for (cow_ConstMapIterator<K, V> it(m); !it.IsDone(); it.Next()) keys.push_back(it.CurrentKey());
  return keys;
}

template <class K, class V>
std::vector<K> SortedKeysOf(const cow_Map<K, V>& m, bool descending) {
  std::vector<K> keys;
  for (cow_ConstMapSortedIt<K, V> it(m, descending); !it.IsDone(); it.Next()) keys.push_back(it.Current().key);
  return keys;
}

TEST(CowMap, InsertReplacesAndRemoveReports) {
  cow_Map<cow_String, int> m;
  EXPECT_TRUE(m.Insert("a", 1));
  EXPECT_TRUE(m.Insert("a", 2));
  EXPECT_EQ(m.Size(), 1);
  EXPECT_EQ(m.ConstGet("a"), 2);
  EXPECT_TRUE(m.IsMember("a"));
  EXPECT_FALSE(m.IsMember("A"));
  EXPECT_EQ(m.ConstFind("b"), nullptr);
  EXPECT_EQ(m.Find("b"), nullptr);
  m.Get("a") = 3;
  *m.Find("a") += 1;
  EXPECT_EQ(m.ConstGet("a"), 4);
  m.GetOrInsert("b") = 5;
  EXPECT_EQ(*m.ConstFind("b"), 5);
  EXPECT_FALSE(m.Remove("c"));
  EXPECT_TRUE(m.Remove("a"));
  EXPECT_FALSE(m.Remove("a"));
  EXPECT_EQ(m.Keys(), (cow_List<cow_String>{"b"}));
  m.Clear();
  EXPECT_TRUE(m.IsEmpty());
}

TEST(CowMap, StringKeysIterateInByteOrder) {
  cow_Map<cow_String, int> m;
  for (const char* k : {"b", "\xC3\xA4", "B", "ab", "a", "abc", ""}) m.Insert(k, 0);
  const std::vector<cow_String> ascending = {"", "B", "a", "ab", "abc", "b", "\xC3\xA4"};
  EXPECT_EQ(KeysOf(m), ascending);
  EXPECT_EQ(SortedKeysOf(m, false), ascending);
  const std::vector<cow_String> descending(ascending.rbegin(), ascending.rend());
  EXPECT_EQ(SortedKeysOf(m, true), descending);
}

TEST(CowMap, IntKeysIterateNumerically) {
  cow_Map<int, double> m;
  for (int k : {10, -3, 2, 0, 2147483647, -2147483647 - 1}) m.Insert(k, k * 0.5);
  const std::vector<int> ascending = {-2147483647 - 1, -3, 0, 2, 10, 2147483647};
  EXPECT_EQ(KeysOf(m), ascending);
  EXPECT_EQ(SortedKeysOf(m, false), ascending);
  EXPECT_EQ(SortedKeysOf(m, true), std::vector<int>(ascending.rbegin(), ascending.rend()));

  cow_ConstMapSortedIt<int, double> it(m, true);
  EXPECT_EQ(it.CurrentKey(), 2147483647);
  EXPECT_DOUBLE_EQ(it.CurrentValue(), 2147483647 * 0.5);
  const cow_MapNode<int, double> node = it.Current();
  EXPECT_EQ(node.key, 2147483647);
  // First() starts over.
  it.Next();
  it.First();
  EXPECT_EQ(it.CurrentKey(), 2147483647);
}

TEST(CowMap, EmptyMapVisitsNothing) {
  const cow_Map<int, int> m;
  EXPECT_TRUE((cow_ConstMapIterator<int, int>(m).IsDone()));
  EXPECT_TRUE((cow_ConstMapSortedIt<int, int>(m, false).IsDone()));
  EXPECT_TRUE((cow_ConstMapSortedIt<int, int>(m, true).IsDone()));
}

TEST(CowMap, IteratorVisitsTheMapAsItWasWhenMade) {
  cow_Map<int, int> m;
  m.Insert(1, 10);
  m.Insert(2, 20);
  cow_ConstMapIterator<int, int> it(m);
  // Changing the map during the visit detaches the map, not the iterator.
  m.Insert(3, 30);
  m.Remove(1);
  m.Get(2) = 0;
  std::vector<std::pair<int, int>> seen;
  for (it.First(); !it.IsDone(); it.Next()) seen.emplace_back(it.Current().key, it.CurrentValue());
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 10}, {2, 20}}));
}

TEST(CowMap, CopyChangesIndependently) {
  cow_Map<cow_String, cow_String> a;
  a.Insert("k", "v");
  std::vector<void (*)(cow_Map<cow_String, cow_String>&)> writes = {
      [](cow_Map<cow_String, cow_String>& m) { m.Insert("k", "w"); },
      [](cow_Map<cow_String, cow_String>& m) { m.Insert("n", "v"); },
      [](cow_Map<cow_String, cow_String>& m) { m.Remove("k"); },
      [](cow_Map<cow_String, cow_String>& m) { m.Get("k").append("!"); },
      [](cow_Map<cow_String, cow_String>& m) { m.Find("k")->append("!"); },
      [](cow_Map<cow_String, cow_String>& m) { m.GetOrInsert("n"); },
      [](cow_Map<cow_String, cow_String>& m) { m.Clear(); },
  };
  for (size_t i = 0; i < writes.size(); ++i) {
    cow_Map<cow_String, cow_String> b = a;
    ASSERT_TRUE(b.SharesWith(a));
    writes[i](b);
    EXPECT_FALSE(b.SharesWith(a)) << "write " << i;
    EXPECT_EQ(a.Size(), 1) << "write " << i;
    EXPECT_EQ(a.ConstGet("k"), cow_String("v")) << "write " << i;
  }
}

TEST(CowMap, ConstPathNeverDetaches) {
  cow_Map<cow_String, int> a;
  a.Insert("x", 1);
  a.Insert("y", 2);
  cow_Map<cow_String, int> b = a;
  EXPECT_EQ(b.ConstGet("x"), 1);
  EXPECT_NE(b.ConstFind("y"), nullptr);
  EXPECT_TRUE(b.IsMember("x"));
  EXPECT_EQ(b.Keys().Size(), 2);
  EXPECT_EQ(KeysOf(b).size(), 2u);
  EXPECT_EQ(SortedKeysOf(b, true).size(), 2u);
  // Looking for an absent key through the writable path does not detach.
  EXPECT_EQ(b.Find("z"), nullptr);
  EXPECT_FALSE(b.Remove("z"));
  EXPECT_TRUE(b.SharesWith(a));
}

// ---------------------------------------------------------------------------
// Btree

TEST(CowBtree, InsertUnlessMemberKeepsTheFirstValue) {
  cow_Btree<cow_String, int> t;
  EXPECT_EQ(t.ConstFind("a"), nullptr);
  EXPECT_TRUE(t.InsertUnlessMember("a", 1));
  EXPECT_FALSE(t.InsertUnlessMember("a", 2));
  ASSERT_NE(t.ConstFind("a"), nullptr);
  EXPECT_EQ(*t.ConstFind("a"), 1);
  EXPECT_EQ(t.Size(), 1);
}

TEST(CowBtree, IteratesInAscendingByteOrder) {
  cow_Btree<cow_String, int> t;
  int v = 0;
  for (const char* k : {"m", "\xC3", "z", "Z", "ab", "abc", "a"}) t.InsertUnlessMember(k, v++);
  std::vector<cow_String> keys;
  std::vector<int> values;
  cow_BtreeIterator<cow_String, int> it(t);
  for (it.First(); !it.IsDone(); it.Next()) {
    keys.push_back(it.CurrentKey());
    values.push_back(it.CurrentValue());
  }
  EXPECT_EQ(keys, (std::vector<cow_String>{"Z", "a", "ab", "abc", "m", "z", "\xC3"}));
  EXPECT_EQ(values, (std::vector<int>{3, 6, 4, 5, 0, 2, 1}));

  cow_BtreeIterator<cow_String, int> none{cow_Btree<cow_String, int>()};
  EXPECT_TRUE(none.IsDone());
}

TEST(CowBtree, CopyChangesIndependently) {
  cow_Btree<cow_String, int> a;
  a.InsertUnlessMember("x", 1);
  cow_Btree<cow_String, int> b = a;
  EXPECT_TRUE(b.SharesWith(a));
  EXPECT_EQ(*b.ConstFind("x"), 1);
  EXPECT_FALSE(b.InsertUnlessMember("x", 2));
  EXPECT_TRUE(b.InsertUnlessMember("y", 2));
  EXPECT_FALSE(b.SharesWith(a));
  EXPECT_EQ(a.Size(), 1);
  EXPECT_EQ(a.ConstFind("y"), nullptr);
}

TEST(CowLifecycle, InitializeAndFinalizeReportSuccess) {
  int status = -1;
  cow_initialize(status);
  EXPECT_EQ(status, 0);
  status = -1;
  cow_finalize(status);
  EXPECT_EQ(status, 0);
}

}  // namespace
