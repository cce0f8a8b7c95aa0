// Copy-on-write values: copies share storage until one of them is written,
// and the orders that reports depend on.
#include "cow.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

// Readable failure messages for strings.
void PrintTo(const cow_String& s, std::ostream* os) { *os << '"' << s.str() << '"'; }

namespace {

using Names = std::vector<cow_String>;
using Entries = std::vector<std::pair<int, int>>;

// Each write, applied to a fresh copy of `original`, detaches the copy and
// leaves the original as it was.
template <class C>
void ExpectEachWriteDetaches(const C& original, const std::vector<std::function<void(C&)>>& writes) {
  const C before = original;
  for (size_t i = 0; i < writes.size(); ++i) {
    C copy = original;
    writes[i](copy);
    EXPECT_FALSE(copy.SharesWith(original)) << "write " << i;
    EXPECT_TRUE(original.SharesWith(before)) << "write " << i;
  }
}

TEST(CowString, ByteOrderEdgesOfTheRangeAndInlineAndHeapForms) {
  // Unsigned bytes as strcmp orders them, a proper prefix first, no case
  // folding, NULs inside, between the inline and the heap form.
  const std::pair<cow_String, cow_String> ordered[] = {
      {"z", "\xC3"}, {"ab", "abc"}, {"Z", "a"}, {"abc", cow_String("abc\0", 4)},
      {cow_String(std::string(30, 'a')), cow_String(std::string(22, 'a') + "\xFF")},
      {cow_String(std::string(22, 'a')), cow_String(std::string(30, 'a'))}};
  for (const auto& [a, b] : ordered) EXPECT_LT(a, b) << a.str() << " < " << b.str();
  EXPECT_EQ(cow_String("ab\0cd", 5).Length(), 5);
  const cow_String name("SET-1.set-2");
  EXPECT_EQ(name.Find("set"), 6);
  EXPECT_EQ(name.Find('-', 4), 9);
  EXPECT_EQ(name.Find("S", -1), cow_String::npos);
  EXPECT_EQ(name.Find("S", 99), cow_String::npos);
  EXPECT_EQ(name.Substr(9, 100), cow_String("-2"));
  EXPECT_TRUE(name.Substr(-1, 2).IsEmpty());
  EXPECT_EQ(cow_String("set_\xC3\xA4z").ToUpper(), cow_String("SET_\xC3\xA4Z"));  // bytes >= 0x80 stay
  EXPECT_EQ(cow_String(std::string(40, 'q')).ToUpper(), cow_String(std::string(40, 'Q')));
  cow_String t("\"\" a \"b\" \"\"");  // trimming removes every leading / trailing byte of the set
  EXPECT_EQ(t.LeftTrim("\"").RightTrim("\"").Trim(" "), cow_String("a \"b\""));
  // 23 bytes are held inside the value, 24 on the heap; every operation
  // crosses the boundary both ways and keeps the bytes and the NUL.
  for (int n : {0, 1, 22, 23, 24, 25, 200}) {
    std::string bytes(static_cast<size_t>(n), 'x');
    for (int i = 0; i < n; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>(i % 5 == 4 ? 0 : 'a' + i % 26);
    const cow_String s(bytes.data(), n);
    EXPECT_EQ(s.Length(), n);
    EXPECT_EQ(s.view(), bytes);
    EXPECT_EQ(s.c_str()[n], '\0');
    cow_String copy(s), assigned("previous value longer than twenty-three"), moved(s);
    assigned = s;
    assigned = assigned;
    EXPECT_EQ(copy, s);
    EXPECT_EQ(assigned, s);
    const cow_String taken(std::move(moved));
    EXPECT_EQ(taken, s);
    EXPECT_TRUE(moved.IsEmpty());
    moved = std::move(copy);
    EXPECT_EQ(moved, s);
    cow_String grown(s);
    grown += cow_String("0123456789");
    EXPECT_EQ(grown.view(), bytes + "0123456789");
    EXPECT_EQ(grown.Substr(0, n), s);
    EXPECT_EQ((cow_String(" ") + s + cow_String("  ")).Trim(" "), s);
  }
}

// Counts live objects so that tests see every object freed exactly once.
struct Tracked {
  static inline int live = 0;
  explicit Tracked(int v = 0) : value(v) { ++live; }
  Tracked(const Tracked& o) : value(o.value) { ++live; }
  ~Tracked() { --live; }
  int value;
};

TEST(CowHandle, SharesUntilWrittenAndFreesEachObjectOnce) {
  {
    cow_COW<Tracked> a(new Tracked(1));
    const cow_COW<Tracked> b = a;
    EXPECT_EQ(b->value + b.ConstGet().value, 2);  // reading never detaches
    EXPECT_TRUE(a.SharesWith(b));
    a.Get().value = 2;
    EXPECT_EQ(b->value, 1);
    const Tracked* before = a.ConstPtr();
    a.Get().value = 3;  // a sole owner writes in place
    EXPECT_EQ(a.ConstPtr(), before);
    cow_COW<Tracked>& alias = a;
    a = alias;  // and keeps its object when assigned to itself
    EXPECT_EQ(a->value, 3);
    cow_COW<Tracked> c(new Tracked(4));
    c = b;
    EXPECT_EQ(Tracked::live, 2);
    a.Clear();
    EXPECT_FALSE(a.HasValue());
    EXPECT_EQ(Tracked::live, 1);
    cow_COW<Tracked> moved = std::move(c);
    EXPECT_FALSE(c.HasValue());
    moved.Set(new Tracked(9));
    EXPECT_EQ(moved->value, 9);
  }
  EXPECT_EQ(Tracked::live, 0);
}

// What both lists share, then what each adds.
template <class L, class T>
void CheckSharedListOperations(const T& a, const T& b, const T& c) {
  L l{a, b};
  EXPECT_FALSE(l.AppendUnlessMember(b));
  EXPECT_TRUE(l.AppendUnlessMember(c));
  L empty;
  empty.Append(l);  // shares, then detaches on the next write
  EXPECT_TRUE(empty.SharesWith(l));
  l.Append(l);  // the storage must grow under its own feet
  EXPECT_EQ(l, (L{a, b, c, a, b, c}));
  EXPECT_EQ(empty, (L{a, b, c}));
  ExpectEachWriteDetaches<L>({a, b, c}, {[&](L& x) { x.Append(a); }, [](L& x) { x.Append(x); }, [](L& x) { x.Clear(); }});
}

TEST(CowLists, SharedOperationsAndCopies) {
  CheckSharedListOperations<cow_1DArrayList<int>, int>(5, -1, 0);
  CheckSharedListOperations<cow_List<cow_String>, cow_String>("b", "a", "d");
  cow_1DArrayList<int> l{5, -1, 3, 5, 0};
  EXPECT_TRUE(l.RemoveMember(5));  // the first one only, order kept
  EXPECT_FALSE(l.RemoveMember(7));
  EXPECT_FALSE(l.Remove(4));
  EXPECT_FALSE(l.Remove(-1));
  EXPECT_TRUE(l.Remove(1));
  EXPECT_EQ(l, (cow_1DArrayList<int>{-1, 5, 0}));
  int n = -1;
  std::unique_ptr<int[]> a = l.GetCArray(n);
  ASSERT_EQ(n, 3);
  l.SetFromArray(a.get() + 1, 2);
  EXPECT_EQ(l, (cow_1DArrayList<int>{5, 0}));
  ExpectEachWriteDetaches<cow_1DArrayList<int>>(
      {1, 2, 3}, {[](auto& c) { c.Get(0) = 9; }, [](auto& c) { c.RemoveMember(2); }, [](auto& c) { c.Remove(0); },
                  [](auto& c) { c.SetFromArray(c.begin(), 1); }, [](auto& c) { c.GetVector().push_back(5); }});
  cow_List<cow_String> names{"d", "a", "x", "a"};
  EXPECT_TRUE(names.Remove("a"));  // the first one
  EXPECT_FALSE(names.Remove("y"));
  EXPECT_TRUE(names.RemoveFirst());
  EXPECT_EQ(names, (cow_List<cow_String>{"x", "a"}));
  names.Clear();
  EXPECT_FALSE(names.RemoveFirst());
  ExpectEachWriteDetaches<cow_List<cow_String>>(
      {"x", "y", "z"}, {[](auto& c) { c.Remove("z"); }, [](auto& c) { c.RemoveFirst(); }});
}

TEST(Cow1DArray, FixedLengthCopyAndIterator) {
  cow_1DArray<int> a(3);
  a.Get(0) = 10;
  cow_1DArrayIter<int> snapshot(a);  // iterates over its own copy
  const int values[] = {1, 2};
  a.SetFromArray(values, 2);
  std::vector<int> seen;
  for (snapshot.First(); !snapshot.IsDone(); snapshot.Next()) seen.push_back(snapshot.CurrentItem());
  EXPECT_EQ(seen, (std::vector<int>{10, 0, 0}));
  EXPECT_EQ(a.Size(), 2);
  EXPECT_EQ(a.PartialArrayConstGet(1), 2);
}

// Random operations on a map of many chunks against a std::map twin, with
// copies taken along the way that must keep what they held.
TEST(CowMap, RandomOperationsMatchMapAndCopiesKeepTheirEntries) {
  std::mt19937 rng(3);
  cow_Map<int, int> m;
  std::map<int, int> twin;
  std::vector<std::pair<cow_Map<int, int>, std::map<int, int>>> copies;
  for (int step = 0; step < 20000; ++step) {
    const int key = static_cast<int>(rng() % 3000) - 1000;
    const unsigned op = rng() % 5;
    bool same = true;
    if (op == 0) same = m.Insert(key, twin[key] = step);  // inserting replaces
    if (op == 1) same = m.Remove(key) == (twin.erase(key) == 1);
    if (op == 2) m.GetOrInsert(key) += 1, twin[key] += 1;
    if (int* v = op == 3 ? m.Find(key) : nullptr) *v = twin.at(key) = -step;
    if (op == 4) same = (m.ConstFind(key) != nullptr) == (twin.count(key) == 1);
    ASSERT_TRUE(same) << op << ' ' << key;
    if (step % 2500 == 0) copies.emplace_back(m, twin);
  }
  ASSERT_EQ(m.Size(), static_cast<int>(twin.size()));
  EXPECT_EQ(Entries(m.begin(), m.end()), Entries(twin.begin(), twin.end()));
  for (const auto& [copy, held] : copies)
    EXPECT_EQ(Entries(copy.begin(), copy.end()), Entries(held.begin(), held.end()));
  ExpectEachWriteDetaches<cow_Map<int, int>>(
      m, {[](auto& c) { c.Insert(1, 7); }, [](auto& c) { c.Insert(99999, 7); },
          [&](auto& c) { c.Remove(m.begin()->first); }, [&](auto& c) { c.Get(m.begin()->first) += 1; },
          [](auto& c) { c.GetOrInsert(99999); }, [](auto& c) { c.Clear(); }});
}

template <class K, class V>
std::vector<K> KeysOf(const cow_Map<K, V>& m, bool sorted, bool descending = false) {
  std::vector<K> keys;
  if (sorted) {
    for (cow_ConstMapSortedIt<K, V> it(m, descending); !it.IsDone(); it.Next()) keys.push_back(it.Current().key);
  } else {
    for (cow_ConstMapIterator<K, V> it(m); !it.IsDone(); it.Next()) keys.push_back(it.CurrentKey());
  }
  return keys;
}

TEST(CowMap, IterationOrders) {
  cow_Map<cow_String, int> names;
  for (const char* k : {"b", "\xC3\xA4", "B", "ab", "a", "abc", ""}) names.Insert(k, 0);
  const Names ascending = {"", "B", "a", "ab", "abc", "b", "\xC3\xA4"};
  EXPECT_EQ(KeysOf(names, false), ascending);
  EXPECT_EQ(KeysOf(names, true), ascending);
  EXPECT_EQ(KeysOf(names, true, true), Names(ascending.rbegin(), ascending.rend()));
  // The ordered map of names: the same order; an existing key keeps its value, also against a copy.
  cow_Btree<cow_String, int> tree;
  int v = 0;
  for (const char* k : {"b", "\xC3\xA4", "B", "ab", "a", "abc", ""}) EXPECT_TRUE(tree.InsertUnlessMember(k, v++));
  EXPECT_FALSE(tree.InsertUnlessMember("a", 99));
  Names inTree;
  std::vector<int> values;
  for (cow_BtreeIterator<cow_String, int> it(tree); !it.IsDone(); it.Next()) {
    inTree.push_back(it.CurrentKey());
    values.push_back(it.CurrentValue());
  }
  EXPECT_EQ(inTree, ascending);
  EXPECT_EQ(values, (std::vector<int>{6, 2, 4, 3, 5, 0, 1}));
  cow_Btree<cow_String, int> treeCopy = tree;
  EXPECT_TRUE(treeCopy.InsertUnlessMember("y", 2));
  EXPECT_EQ(tree.ConstFind("y"), nullptr);
  EXPECT_EQ(*treeCopy.ConstFind("a"), 4);
  // An iterator visits the map as it was when made.
  cow_Map<int, int> m;
  m.Insert(1, 10);
  m.Insert(2, 20);
  cow_ConstMapIterator<int, int> visit(m);
  m.Remove(1);
  m.Get(2) = 0;
  Entries seen;
  for (visit.First(); !visit.IsDone(); visit.Next()) seen.emplace_back(visit.Current().key, visit.CurrentValue());
  EXPECT_EQ(seen, (Entries{{1, 10}, {2, 20}}));
}

}  // namespace
