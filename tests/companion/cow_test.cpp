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

using Names = std::vector<cow_String>;

// ---------------------------------------------------------------------------
// cow_String

TEST(CowString, OrdersByUnsignedBytes) {
  // A byte >= 0x80 is larger than every ASCII byte, as strcmp orders it.
  EXPECT_LT(cow_String("z"), cow_String("\xC3"));
  EXPECT_LT(cow_String("\x7F"), cow_String("\x80"));
  // A proper prefix comes first; no case folding.
  EXPECT_LT(cow_String("ab"), cow_String("abc"));
  EXPECT_LT(cow_String(""), cow_String("a"));
  EXPECT_LT(cow_String("Z"), cow_String("a"));
  EXPECT_TRUE((cow_String("abc") <=> cow_String("abc")) == 0);
}

TEST(CowString, Operations) {
  EXPECT_EQ(cow_String("ab\0cd", 5).Length(), 5);
  EXPECT_TRUE(cow_String(static_cast<const char*>(nullptr)).IsEmpty());

  const cow_String s("SET-1.set-2");
  EXPECT_EQ(s.Find("set"), 6);
  EXPECT_EQ(s.Find("SET", 1), cow_String::npos);
  EXPECT_EQ(s.Find('-', 4), 9);
  EXPECT_EQ(s.Find("S", -1), cow_String::npos);
  EXPECT_EQ(s.Find("S", 99), cow_String::npos);
  EXPECT_EQ(s.Substr(9, 100), cow_String("-2"));
  EXPECT_TRUE(s.Substr(11).IsEmpty());
  EXPECT_TRUE(s.Substr(-1, 2).IsEmpty());
  // ToUpper leaves bytes >= 0x80 and the original alone.
  EXPECT_EQ(cow_String("set_\xC3\xA4z").ToUpper(), cow_String("SET_\xC3\xA4Z"));

  // Trimming removes every leading / trailing byte of the set.
  cow_String t("\"\" a \"b\" \"\"");
  EXPECT_EQ(t.LeftTrim("\"").RightTrim("\""), cow_String(" a \"b\" "));
  EXPECT_EQ(t.Trim(" "), cow_String("a \"b\""));
  EXPECT_TRUE(t.Trim("ab\"  ").IsEmpty());

  cow_String copy = s;
  copy += cow_String("!");
  EXPECT_EQ(s, cow_String("SET-1.set-2"));
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
  const cow_COW<Tracked> b = a;
  EXPECT_TRUE(a.SharesWith(b));
  EXPECT_TRUE(a.IsShared());
  // Reading never detaches.
  EXPECT_EQ(b->value + (*b).value + b.ConstGet().value, 3);
  EXPECT_EQ(b.ConstPtr(), a.ConstPtr());

  a.Get().value = 2;
  EXPECT_FALSE(a.SharesWith(b));
  EXPECT_FALSE(a.IsShared());
  EXPECT_EQ(b->value, 1);
  EXPECT_EQ(Tracked::live, 2);

  // A sole owner writes in place.
  const Tracked* before = a.ConstPtr();
  a.Get().value = 3;
  EXPECT_EQ(a.ConstPtr(), before);
}

TEST_F(CowHandle, AssignmentAndOwnership) {
  cow_COW<Tracked> a(new Tracked(1));
  cow_COW<Tracked> b(new Tracked(2));
  b = a;
  EXPECT_EQ(Tracked::live, 1);
  EXPECT_TRUE(a.SharesWith(b));
  const cow_COW<Tracked>& self = b;
  b = self;
  ASSERT_TRUE(b.HasValue());
  EXPECT_EQ(b->value, 1);
  a = cow_COW<Tracked>();
  EXPECT_FALSE(b.IsShared());

  // A sole owner assigned to itself keeps its object.
  cow_COW<Tracked>& alias = b;
  b = alias;
  EXPECT_EQ(Tracked::live, 1);
  EXPECT_EQ(b->value, 1);

  const Tracked original(7);
  cow_COW<Tracked> copied(original);
  EXPECT_NE(copied.ConstPtr(), &original);
  cow_COW<Tracked> moved = std::move(copied);
  EXPECT_FALSE(copied.HasValue());
  moved.Set(new Tracked(9));
  EXPECT_EQ(moved->value, 9);
  moved.Clear();
  EXPECT_FALSE(moved.HasValue());
  EXPECT_FALSE(cow_COW<Tracked>(static_cast<Tracked*>(nullptr)).HasValue());
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
  const Circle* copy = dynamic_cast<const Circle*>(b.ConstPtr());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->radius, 4);
  EXPECT_EQ(a->size, 0);
  EXPECT_EQ(a.ConstPtr(), c);

  const Square square;
  EXPECT_EQ(ShapeHandle{static_cast<const Shape&>(square)}->Kind(), "square");
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

TEST(Cow1DArrayList, Operations) {
  cow_1DArrayList<int> l{5, -1, 3, 5};
  EXPECT_FALSE(l.AppendUnlessMember(3));
  EXPECT_TRUE(l.AppendUnlessMember(0));
  EXPECT_TRUE(l.RemoveMember(5));  // the first one only, order kept
  EXPECT_EQ(l, (cow_1DArrayList<int>{-1, 3, 5, 0}));
  EXPECT_FALSE(l.RemoveMember(7));
  EXPECT_FALSE(l.Remove(4));
  EXPECT_FALSE(l.Remove(-1));
  EXPECT_TRUE(l.Remove(1));
  l.Append(cow_1DArrayList<int>{8});
  l.Append(l);
  EXPECT_EQ(l, (cow_1DArrayList<int>{-1, 5, 0, 8, -1, 5, 0, 8}));

  int n = -1;
  std::unique_ptr<int[]> a = l.GetCArray(n);
  ASSERT_EQ(n, 8);
  EXPECT_EQ(a[3], 8);
  l.SetFromArray(a.get(), 2);
  EXPECT_EQ(l, (cow_1DArrayList<int>{-1, 5}));
  l.Clear();
  EXPECT_TRUE(l.IsEmpty());
  l.GetCArray(n);
  EXPECT_EQ(n, 0);

  // Appending to an empty list takes the other's storage.
  const cow_1DArrayList<int> source{1};
  l.Append(source);
  EXPECT_TRUE(l.SharesWith(source));
}

TEST(Cow1DArrayList, CopyChangesIndependently) {
  const cow_1DArrayList<int> original{1, 2, 3};
  const std::vector<void (*)(cow_1DArrayList<int>&)> writes = {
      [](cow_1DArrayList<int>& l) { l.Append(4); },
      [](cow_1DArrayList<int>& l) { l.AppendUnlessMember(4); },
      [](cow_1DArrayList<int>& l) { l.Get(0) = 9; },
      [](cow_1DArrayList<int>& l) { l.RemoveMember(2); },
      [](cow_1DArrayList<int>& l) { l.Remove(0); },
      [](cow_1DArrayList<int>& l) { l.Clear(); },
      [](cow_1DArrayList<int>& l) { l.Append(l); },
      [](cow_1DArrayList<int>& l) { l.SetFromArray(l.begin(), 1); },
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
  EXPECT_EQ(std::vector<int>(b.begin(), b.end()), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(b.GetCArray(n)[0], b.ConstGet(0));
  EXPECT_TRUE(b.IsMember(3));
  EXPECT_EQ(a[2], 3);
  // Writing operations that find nothing to change do not detach either.
  EXPECT_FALSE(a.RemoveMember(42));
  EXPECT_FALSE(a.Remove(5));
  EXPECT_FALSE(a.AppendUnlessMember(1));
  a.Append(cow_1DArrayList<int>());
  EXPECT_TRUE(a.SharesWith(b));
}

TEST(Cow1DArray, FixedLengthCopyAndIterator) {
  cow_1DArray<int> a(3);
  EXPECT_EQ(a.PartialArrayConstGet(2), 0);
  a.Get(0) = 10;
  cow_1DArrayIter<int> snapshot(a);
  const cow_1DArray<int> copy = a;
  EXPECT_TRUE(a.SharesWith(copy));
  a.Get(1) = 20;
  EXPECT_FALSE(a.SharesWith(copy));
  EXPECT_EQ(copy.PartialArrayConstGet(1), 0);

  std::vector<int> seen;
  for (snapshot.First(); !snapshot.IsDone(); snapshot.Next()) seen.push_back(snapshot.CurrentItem());
  EXPECT_EQ(seen, (std::vector<int>{10, 0, 0}));

  const int values[] = {1, 2};
  a.SetFromArray(values, 2);
  EXPECT_EQ(a.Size(), 2);
  EXPECT_EQ(copy.Size(), 3);
  cow_1DArrayIter<int> empty{cow_1DArray<int>()};
  empty.First();
  EXPECT_TRUE(empty.IsDone());
}

TEST(CowList, Operations) {
  cow_List<cow_String> l{"b", "a"};
  l.Append("c");
  EXPECT_FALSE(l.AppendUnlessMember("a"));
  EXPECT_TRUE(l.AppendUnlessMember("d"));
  l.Append(cow_List<cow_String>{"a"});
  EXPECT_TRUE(l.Remove("a"));  // the first one
  EXPECT_EQ(l, (cow_List<cow_String>{"b", "c", "d", "a"}));
  EXPECT_FALSE(l.Remove("x"));
  EXPECT_TRUE(l.RemoveFirst());
  EXPECT_EQ(l, (cow_List<cow_String>{"c", "d", "a"}));
  l.Clear();
  EXPECT_FALSE(l.RemoveFirst());
  l.Append(l);
  EXPECT_TRUE(l.IsEmpty());
  // Appending a full list to itself (the storage must grow) doubles it.
  cow_List<cow_String> twice{"p", "q"};
  twice.Append(twice);
  EXPECT_EQ(twice, (cow_List<cow_String>{"p", "q", "p", "q"}));
}

TEST(CowList, CopyChangesIndependently) {
  const cow_List<cow_String> original{"x", "y", "z"};
  const std::vector<void (*)(cow_List<cow_String>&)> writes = {
      [](cow_List<cow_String>& l) { l.Append("w"); },
      [](cow_List<cow_String>& l) { l.Append(l); },
      [](cow_List<cow_String>& l) { l.AppendUnlessMember("w"); },
      [](cow_List<cow_String>& l) { l.Remove("y"); },
      [](cow_List<cow_String>& l) { l.Remove("z"); },
      [](cow_List<cow_String>& l) { l.RemoveFirst(); },
      [](cow_List<cow_String>& l) { l.Clear(); },
  };
  for (size_t i = 0; i < writes.size(); ++i) {
    cow_List<cow_String> copy = original;
    EXPECT_TRUE(copy.IsMember("y"));
    EXPECT_EQ(copy[1], cow_String("y"));
    ASSERT_TRUE(copy.SharesWith(original));
    writes[i](copy);
    EXPECT_FALSE(copy.SharesWith(original)) << "write " << i;
    EXPECT_EQ(original, (cow_List<cow_String>{"x", "y", "z"})) << "write " << i;
    EXPECT_NE(copy, original) << "write " << i;
  }
  cow_List<cow_String> removed = original;
  removed.Remove("y");
  EXPECT_EQ(removed, (cow_List<cow_String>{"x", "z"}));
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

TEST(CowMap, Operations) {
  cow_Map<cow_String, int> m;
  EXPECT_TRUE(m.Insert("a", 1));
  EXPECT_TRUE(m.Insert("a", 2));  // replaces
  EXPECT_EQ(m.Size(), 1);
  EXPECT_EQ(m.ConstGet("a"), 2);
  EXPECT_FALSE(m.IsMember("A"));
  EXPECT_EQ(m.ConstFind("b"), nullptr);
  EXPECT_EQ(m.Find("b"), nullptr);
  m.Get("a") += 1;
  *m.Find("a") += 1;
  m.GetOrInsert("b") = 5;
  EXPECT_EQ(m.ConstGet("a"), 4);
  EXPECT_EQ(*m.ConstFind("b"), 5);
  EXPECT_FALSE(m.Remove("c"));
  EXPECT_TRUE(m.Remove("a"));
  EXPECT_FALSE(m.Remove("a"));
  EXPECT_EQ(m.Keys(), (cow_List<cow_String>{"b"}));
  m.Clear();
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_TRUE((cow_ConstMapIterator<cow_String, int>(m).IsDone()));
  EXPECT_TRUE((cow_ConstMapSortedIt<cow_String, int>(m, true).IsDone()));
}

TEST(CowMap, IterationOrders) {
  cow_Map<cow_String, int> names;
  for (const char* k : {"b", "\xC3\xA4", "B", "ab", "a", "abc", ""}) names.Insert(k, 0);
  const Names ascending = {"", "B", "a", "ab", "abc", "b", "\xC3\xA4"};
  EXPECT_EQ(KeysOf(names), ascending);
  EXPECT_EQ(SortedKeysOf(names, false), ascending);
  EXPECT_EQ(SortedKeysOf(names, true), Names(ascending.rbegin(), ascending.rend()));

  cow_Map<int, double> ids;
  for (int k : {10, -3, 2, 0, 2147483647, -2147483647 - 1}) ids.Insert(k, k * 0.5);
  const std::vector<int> numeric = {-2147483647 - 1, -3, 0, 2, 10, 2147483647};
  EXPECT_EQ(KeysOf(ids), numeric);
  EXPECT_EQ(SortedKeysOf(ids, false), numeric);
  EXPECT_EQ(SortedKeysOf(ids, true), std::vector<int>(numeric.rbegin(), numeric.rend()));

  cow_ConstMapSortedIt<int, double> it(ids, true);
  it.Next();
  EXPECT_EQ(it.CurrentKey(), 10);
  EXPECT_DOUBLE_EQ(it.CurrentValue(), 5.0);
  it.First();
  EXPECT_EQ(it.Current().key, 2147483647);
}

TEST(CowMap, IteratorVisitsTheMapAsItWasWhenMade) {
  cow_Map<int, int> m;
  m.Insert(1, 10);
  m.Insert(2, 20);
  cow_ConstMapIterator<int, int> it(m);
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
  const std::vector<void (*)(cow_Map<cow_String, cow_String>&)> writes = {
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
  EXPECT_EQ(KeysOf(b).size() + SortedKeysOf(b, true).size(), 4u);
  // Looking for an absent key through the writable path does not detach.
  EXPECT_EQ(b.Find("z"), nullptr);
  EXPECT_FALSE(b.Remove("z"));
  EXPECT_TRUE(b.SharesWith(a));
}

// ---------------------------------------------------------------------------
// Btree

TEST(CowBtree, InsertUnlessMemberAndAscendingOrder) {
  cow_Btree<cow_String, int> t;
  EXPECT_EQ(t.ConstFind("a"), nullptr);
  int v = 0;
  for (const char* k : {"m", "\xC3", "z", "Z", "ab", "abc", "a"}) EXPECT_TRUE(t.InsertUnlessMember(k, v++));
  EXPECT_FALSE(t.InsertUnlessMember("a", 99));
  ASSERT_NE(t.ConstFind("a"), nullptr);
  EXPECT_EQ(*t.ConstFind("a"), 6);
  EXPECT_EQ(t.Size(), 7);

  Names keys;
  std::vector<int> values;
  cow_BtreeIterator<cow_String, int> it(t);
  for (it.First(); !it.IsDone(); it.Next()) {
    keys.push_back(it.CurrentKey());
    values.push_back(it.CurrentValue());
  }
  EXPECT_EQ(keys, (Names{"Z", "a", "ab", "abc", "m", "z", "\xC3"}));
  EXPECT_EQ(values, (std::vector<int>{3, 6, 4, 5, 0, 2, 1}));
}

TEST(CowBtree, CopyChangesIndependently) {
  cow_Btree<cow_String, int> a;
  a.InsertUnlessMember("x", 1);
  cow_Btree<cow_String, int> b = a;
  EXPECT_EQ(*b.ConstFind("x"), 1);
  EXPECT_TRUE(b.SharesWith(a));
  EXPECT_TRUE(b.InsertUnlessMember("y", 2));
  EXPECT_FALSE(b.SharesWith(a));
  EXPECT_EQ(a.Size(), 1);
  EXPECT_EQ(a.ConstFind("y"), nullptr);
}

}  // namespace
