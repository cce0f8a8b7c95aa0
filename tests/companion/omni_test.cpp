// Integer tables and sets checked against std::map and std::set twins.
#include "omni.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace {

const int kBoundaryKeys[] = {INT_MIN, INT_MIN + 1, -65537, -65536, -1, 0, 1, 65535, 65536, 2147483646, 2147483647};

// Key generators for the shapes tables and sets meet.
struct KeyShape { const char* name; int (*draw)(std::mt19937& rng); };

using Rng = std::mt19937;
int SparseKey(Rng& rng) { return static_cast<int>(rng()); }
// Near the ends of the int range and around 0.
int BoundaryKey(Rng& rng) {
  const int k = static_cast<int>(rng() % 3000);
  const int choices[] = {INT_MIN + k, INT_MAX - k, k - 1500, kBoundaryKeys[rng() % std::size(kBoundaryKeys)]};
  return choices[rng() % 4];
}
// A few tight clusters inside blocks, with outliers.
int ClusterKey(Rng& rng) {
  if (rng() % 10 == 0) return static_cast<int>(rng() % 4000000);
  return static_cast<int>((rng() % 8) * 65536 + 40000 + rng() % 300);
}

const KeyShape kShapes[] = {
    {"dense", [](Rng& rng) { return static_cast<int>(rng() % 200000) + 1; }},
    {"runs", [](Rng& rng) { return std::array{1, 1000000, 5000000, -300000}[rng() % 4] + static_cast<int>(rng() % 70000); }},
    {"sparse", SparseKey},
    {"negative", [](Rng& rng) { return -static_cast<int>(rng() % 100000) - 1; }},
    {"boundary", BoundaryKey},
    {"cluster", ClusterKey},
    // Hundreds of random keys a block: blocks too sparse to be dense.
    {"scatter", [](Rng& rng) { return static_cast<int>(rng() % (48 * 65536)); }},
    // Clumps of up to 16 consecutive keys, 50 a block: sparse blocks whose
    // keys crowd a few places.
    {"clump", [](Rng& rng) { return static_cast<int>((rng() % 8) * 65536 + (rng() % 50) * 1300 + rng() % 16); }},
    // Blocks of every form side by side below the end of an arena, which
    // starts at key 0: whole blocks (in the arena), a stretch of a block and
    // a thin block (both kept apart from it), and a block far above zero.
    {"arena",
     [](Rng& rng) {
       const unsigned pick = rng() % 6, r = rng();
       if (pick < 3) return static_cast<int>(r % (2 * 65536));
       if (pick == 3) return 2 * 65536 + 100 + static_cast<int>(r % 30000);
       return pick == 4 ? 3 * 65536 + static_cast<int>(r % 600) * 97 : 30000 * 65536 + static_cast<int>(r % 65536);
     }},
    // Whole blocks at the top of the non-negative range and the bottom of the
    // negative one, where the first half's arena lies next to the other half.
    {"ends", [](Rng& rng) {
       const int k = static_cast<int>(rng() % 70000);
       return rng() % 2 ? INT_MAX - k : INT_MIN + k;
     }}};

template <class T>
std::vector<std::pair<int, T>> Walk(const omi_IntTable<T>& t) {
  std::vector<std::pair<int, T>> out;
  for (omi_IntTableIterator<T> it(t); !it.IsDone(); it.Next()) out.emplace_back(it.CurrentKey(), it.CurrentValue());
  return out;
}

// Size, both visits and the iterator's Last agree with the twin.
template <class T>
void ExpectSameTable(const omi_IntTable<T>& t, const std::map<int, T>& twin) {
  ASSERT_EQ(t.Size(), static_cast<int>(twin.size()));
  EXPECT_EQ(t.IsEmpty(), twin.empty());
  const std::vector<std::pair<int, T>> want(twin.begin(), twin.end());
  std::vector<std::pair<int, T>> each;
  t.ForEach([&each](int k, const T& v) { each.emplace_back(k, v); });
  EXPECT_EQ(each, want);
  EXPECT_EQ(Walk(t), want);
  omi_IntTableIterator<T> it(t);
  it.Last();
  ASSERT_EQ(it.IsDone(), twin.empty());
  if (twin.empty()) return;
  EXPECT_EQ(it.CurrentKey(), twin.rbegin()->first);
  EXPECT_EQ(it.CurrentValue(), twin.rbegin()->second);
  it.Next();
  EXPECT_TRUE(it.IsDone());
  it.Next();  // a finished walk stays finished, and starts again from First
  EXPECT_TRUE(it.IsDone());
  it.First();
  EXPECT_EQ(it.CurrentKey(), twin.begin()->first);
}

// Whether Find answers for `k` as the twin does.
template <class T>
bool SameFind(const omi_IntTable<T>& t, const std::map<int, T>& twin, int k) {
  const auto found = twin.find(k);
  const T* v = t.Find(k);
  return found == twin.end() ? v == nullptr : v && *v == found->second;
}

// Random operations, with values of zero among them (what the slots of
// absent keys hold), checked against the twin now and then, also through a
// copy (whose arena is laid out afresh) and after Trim; the table is told to
// expect no count, a few blocks, or a count no input could hold. At the end
// the odd blocks are emptied while the others stay, so that slots of keys
// gone must read as absent in a mapping that lives on; then the rest goes.
template <class T>
void RandomTableRun(const KeyShape& shape, unsigned seed, int steps) {
  SCOPED_TRACE(shape.name);
  std::mt19937 rng(seed);
  omi_IntTable<T> t;
  std::map<int, T> twin;
  const int reserve[] = {0, 5 * 65536, INT_MAX};
  t.Reserve(reserve[seed % 3]);
  for (int step = 0; step < steps; ++step) {
    const int key = shape.draw(rng);
    const unsigned op = rng() % 10;
    if (op < 6) {
      const int raw = rng() % 4 ? static_cast<int>(rng() % 1000000) - 500000 : 0;
      const T value = static_cast<T>(raw) / (sizeof(T) == 8 ? 4 : 1);
      ASSERT_EQ(t.Insert(key, value), twin.emplace(key, value).second) << key;  // never replaces
    } else if (op < 9) {
      ASSERT_EQ(t.Remove(key), twin.erase(key) == 1) << key;
    } else {
      ASSERT_TRUE(SameFind(t, twin, key)) << key;
      ASSERT_EQ(t.IsMember(key), twin.count(key) == 1);
    }
    if (step % 5000 == 4999) ExpectSameTable(t, twin);
    if (step % 15000 == 14999) ExpectSameTable(omi_IntTable<T>(t), twin);
    // Trim puts the blocks in key order, which later changes undo.
    if (step % 15000 == 7499) t.Trim();
  }
  ExpectSameTable(t, twin);
  for (const auto& [k, v] : twin) ASSERT_EQ(t.ConstGet(k), v);
  const std::map<int, T> full = twin;
  std::vector<int> keys;
  for (const auto& kv : twin) keys.push_back(kv.first);
  std::shuffle(keys.begin(), keys.end(), rng);
  for (int odd = 1; odd >= 0; --odd) {
    for (size_t i = 0; i < keys.size(); ++i) {
      if ((static_cast<unsigned>(keys[i]) >> 16 & 1) != static_cast<unsigned>(odd)) continue;
      ASSERT_TRUE(t.Remove(keys[i]));
      twin.erase(keys[i]);
      if (i % 997 == 0) ExpectSameTable(t, twin);
    }
    for (const auto& kv : full) ASSERT_TRUE(SameFind(t, twin, kv.first)) << kv.first;
  }
  ExpectSameTable(t, twin);
  EXPECT_FALSE(t.Remove(0));
  EXPECT_EQ(t.MemoryBytes(), 0u);
}

TEST(OmiIntTable, RandomOperationsMatchMap) {
  unsigned seed = 11;
  for (const KeyShape& shape : kShapes) RandomTableRun<int>(shape, seed++, 60000);
  for (const KeyShape& shape : kShapes) RandomTableRun<double>(shape, seed++, 30000);
}

// Frees blocks full of non-zero bytes, for the next allocations to reuse: a
// slot that a bulk insertion leaves uncleared then shows as a present key.
void DirtyHeap() {
  for (size_t bytes : {size_t{4} << 10, size_t{64} << 10, size_t{520} << 10}) {
    std::vector<unsigned char> dirty(bytes, 0xA5);
    asm volatile("" : : "r"(dirty.data()) : "memory");
  }
}

// Bulk inserts of pieces of ascending runs (the stored form's order), of
// unordered and repeated keys, into tables already holding keys: the result
// is that of inserting one by one, whatever forms blocks took.
template <class T>
void CheckInsertAscending() {
  std::mt19937 rng(77);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::vector<int> keys;
    int k = round % 4 == 0 ? INT_MIN + static_cast<int>(rng() % 5) : static_cast<int>(rng() % 300000) - 150000;
    const int count = static_cast<int>(rng() % 150000);
    for (int i = 0; i < count; ++i) {
      const unsigned pick = rng() % 64;
      if (pick == 0) k = static_cast<int>(rng());  // a jump, up or down
      if (pick == 1) keys.push_back(k);            // a repeat
      keys.push_back(k);
      const int step = round % 3 == 0 ? 1 + static_cast<int>(rng() % 3000) : 1;
      if (k > INT_MAX - step) k = INT_MIN;
      k += step;
    }
    std::vector<T> values(keys.size());
    for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<T>(i % 11);  // zeros among them
    DirtyHeap();
    omi_IntTable<T> bulk;
    std::map<int, T> twin;
    for (int i = 0; i < 2000; ++i) {  // runs meet existing blocks of either form
      const int pre = static_cast<int>(rng() % 400000) - 200000;
      bulk.Insert(pre, -pre);
      twin.emplace(pre, -pre);
    }
    int expectAdded = 0;
    for (size_t i = 0; i < keys.size(); ++i) expectAdded += twin.emplace(keys[i], values[i]).second;
    int added = 0;
    for (size_t at = 0; at < keys.size();) {
      const size_t piece = std::min<size_t>(keys.size() - at, 1 + rng() % 9000);
      // Pieces said to go on lay out the block they end in for what follows.
      const bool more = at + piece < keys.size() && rng() % 2;
      added += bulk.InsertAscending(keys.data() + at, values.data() + at, static_cast<int>(piece), more);
      at += piece;
    }
    EXPECT_EQ(added, expectAdded);
    ExpectSameTable(bulk, twin);
    bulk.Trim();
    ExpectSameTable(bulk, twin);
  }
}

TEST(OmiIntTable, InsertAscendingMatchesInsert) {
  CheckInsertAscending<int>();
  CheckInsertAscending<double>();
}

TEST(OmiIntTable, GetInsertsConstGetDoesNotAndCopiesAreIndependent) {
  omi_IntTable<int> t;
  t.Insert(3, 30);
  EXPECT_EQ(t.ConstGet(4), 0);  // reads T{} and leaves the table alone
  EXPECT_EQ(t.Size(), 1);
  t.Get(4) = 40;
  t.Get(3) += 1;
  EXPECT_EQ(Walk(t), (std::vector<std::pair<int, int>>{{3, 31}, {4, 40}}));

  omi_IntTable<int> a;
  std::map<int, int> twin;
  std::mt19937 rng(5);
  for (int i = 0; i < 20000; ++i) {
    const int k = i % 2 ? static_cast<int>(rng()) : i;
    if (a.Insert(k, i)) twin[k] = i;
  }
  omi_IntTable<int> b(a), c;
  c.Insert(1, 1);
  c = a;
  for (int i = 0; i < 20000; i += 3) a.Remove(i);
  *b.Find(2) = 99;
  ExpectSameTable(c, twin);
  twin[2] = 99;
  ExpectSameTable(b, twin);
  EXPECT_FALSE(a == b);
  c = c;  // self-assignment keeps the contents
  omi_IntTable<int> d(std::move(b));
  EXPECT_TRUE(b.IsEmpty());
  c = std::move(d);
  ExpectSameTable(c, twin);
  c.Clear();
  ExpectSameTable(c, {});
}

// Spans: the arena, a dense block beside it, a sparse block, a gap, a
// stretch across two blocks, the negative half, and a value of zero (which
// is also what absent slots hold).
TEST(OmiIntTable, SpansOfFullStretches) {
  const int b40 = 40 * 65536, b50 = 50 * 65536;
  auto value = [](int k) { return k < 0 ? k + 1 : k == 5 ? 0 : k < 3 * 65536 ? 7 * k : k < 50 * 65536 ? -k : k; };
  omi_IntTable<int> t;
  for (int k = -65536; k < 3 * 65536; ++k) t.Insert(k, value(k));
  for (int k = b40 + 100; k < b40 + 9000; ++k) t.Insert(k, value(k));
  for (int k = b50; k < b50 + 4000; k += 4) t.Insert(k, value(k));
  t.Remove(70000);
  for (const auto& [first, last] : {std::pair{0, 65535}, {65536, 69999}, {70001, 70001}, {b40 + 100, b40 + 8999}, {-65536, -1}}) {
    const int* s = t.Span(first, last);
    ASSERT_NE(s, nullptr) << first;
    for (int k = first; k <= last; ++k) ASSERT_EQ(s[k - first], value(k)) << k;
  }
  // 70000 is gone, two blocks, an empty stretch, past the ends of a block's
  // stretch, a sparse block (not an array), a gap, and both halves.
  for (const auto& [first, last] : {std::pair{69999, 70001}, {65535, 65536}, {10, 9}, {b40 + 99, b40 + 200},
                                    {b40 + 8000, b40 + 9000}, {b50, b50}, {60 * 65536, 60 * 65536 + 1}, {-1, 0}})
    EXPECT_EQ(t.Span(first, last), nullptr) << first << ' ' << last;
}

// Id tables loaded from runs and copied take their blocks from memory that
// all threads share: tables built, copied and dropped in several threads at
// once keep their contents, and a copy outlives its original.
TEST(OmiIntTable, RunsLoadedInManyThreads) {
  std::atomic<int> failures = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      std::mt19937 rng(static_cast<unsigned>(t));
      std::vector<omi_IntTable<int>> kept;
      for (int round = 0; round < 60; ++round) {
        std::vector<int> keys, values;
        int k = static_cast<int>(rng() % 1000000);
        for (int run = 0; run < 4; ++run, k += static_cast<int>(rng() % 70000))
          for (int i = 0, length = 1 + static_cast<int>(rng() % 20000); i < length; ++i, ++k) keys.push_back(k);
        for (int key : keys) values.push_back(key ^ (t << 24));
        omi_IntTable<int> table;
        table.InsertAscending(keys.data(), values.data(), static_cast<int>(keys.size()));
        omi_IntTable<int> copy(table);
        if (round % 3 == 0) kept.push_back(copy);  // outlives its original
        failures += !(copy == table) || copy.Size() != static_cast<int>(keys.size());
        for (int i = 0; i < 50; ++i) {
          const size_t at = rng() % keys.size();
          failures += copy.ConstGet(keys[at]) != values[at];
        }
        if (round % 5 == 0 && kept.size() > 3) kept.erase(kept.begin());
      }
      for (const omi_IntTable<int>& table : kept)
        table.ForEach([&](int key, int value) { failures += value != (key ^ (t << 24)); });
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
}

std::vector<int> Walk(const omi_Set& s) {
  std::vector<int> out;
  for (omi_SetIT it(s); !it.IsDone(); it.Next()) out.push_back(it.CurrentItem());
  return out;
}

// Size, every way of visiting and the extremes agree with the twin.
void ExpectSameSet(const omi_Set& s, const std::set<int>& twin) {
  ASSERT_EQ(s.Size(), static_cast<int>(twin.size()));
  EXPECT_EQ(s.IsEmpty(), twin.empty());
  const std::vector<int> want(twin.begin(), twin.end());
  EXPECT_EQ(Walk(s), want);
  std::vector<int> each, array(twin.size());
  s.ForEach([&each](int id) { each.push_back(id); });
  EXPECT_EQ(each, want);
  s.ToArray(array.data());
  EXPECT_EQ(array, want);
  // Neutral values of a minimum and a maximum when empty.
  EXPECT_EQ(s.Smallest(), twin.empty() ? INT_MAX : *twin.begin());
  EXPECT_EQ(s.Largest(), twin.empty() ? INT_MIN : *twin.rbegin());
}

std::set<int> RandomIds(std::mt19937& rng, int count, int (*draw)(std::mt19937&)) {
  std::set<int> ids;
  for (int i = 0; i < count; ++i) ids.insert(draw(rng));
  return ids;
}

omi_Set MakeSet(const std::set<int>& ids) {
  omi_Set s;
  for (int id : ids) s.Insert(id);
  return s;
}

// One container filled past the array limit and emptied below the bitmap
// limit, crossing both form changes.
int ThresholdKey(std::mt19937& rng) { return 7 * 65536 + static_cast<int>(rng() % 10000) * 6; }

// Random operations for every shape; then the ids drawn, inserted in bulk
// in any order, and ascending with duplicates into a set that holds some
// already.
TEST(OmiSet, RandomOperationsMatchSet) {
  unsigned seed = 21;
  std::vector<KeyShape> shapes(std::begin(kShapes), std::end(kShapes));
  shapes.push_back({"threshold", ThresholdKey});
  for (const KeyShape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    std::mt19937 rng(seed++);
    omi_Set s;
    std::set<int> twin;
    std::vector<int> drawn;
    for (int step = 0; step < 80000; ++step) {
      const int id = shape.draw(rng);
      drawn.push_back(id);
      const unsigned op = rng() % 10;
      const bool same = op < 6   ? s.Insert(id) == twin.insert(id).second
                        : op < 9 ? s.Remove(id) == (twin.erase(id) == 1)
                                 : s.IsMember(id) == (twin.count(id) == 1);
      ASSERT_TRUE(same) << op << ' ' << id;
      if (step % 20000 == 19999 || (twin.size() > 4090 && twin.size() < 4100)) ExpectSameSet(s, twin);
    }
    ExpectSameSet(s, twin);
    for (int id : std::vector<int>(twin.begin(), twin.end())) {
      ASSERT_TRUE(s.Remove(id));
      twin.erase(id);
      if (twin.size() > 250 && twin.size() < 260) ExpectSameSet(s, twin);
    }
    ExpectSameSet(s, {});
    EXPECT_EQ(s.MemoryBytes(), 0u);
    const std::set<int> all(drawn.begin(), drawn.end());
    omi_Set any;
    any.Insert(drawn.data(), static_cast<int>(drawn.size()));
    const omi_Set moved(std::move(any));
    EXPECT_TRUE(any.IsEmpty());
    ExpectSameSet(moved, all);
    omi_Set merged;
    for (size_t i = 0; i < drawn.size(); i += 7) merged.Insert(drawn[i]);
    std::sort(drawn.begin(), drawn.end());
    merged.InsertSorted(drawn.data(), static_cast<int>(drawn.size()));
    ExpectSameSet(merged, all);
  }
  // A walk started again.
  const omi_Set s = MakeSet(std::set<int>(std::begin(kBoundaryKeys), std::end(kBoundaryKeys)));
  omi_SetIT it(s);
  it.Next();
  it.First();
  EXPECT_EQ(it.CurrentItem(), INT_MIN);
  // A run that is not ascending is still inserted whole; empty runs add nothing.
  const int unsorted[] = {5, 3, 3, 9, -4};
  omi_Set u;
  u.InsertSorted(unsorted, 5);
  u.InsertSorted(unsorted, 0);
  u.Insert(unsorted, -1);
  ExpectSameSet(u, {-4, 3, 5, 9});
}

int ThinKey(std::mt19937& rng) { return static_cast<int>(rng() % 2000000); }
int ThickKey(std::mt19937& rng) { return static_cast<int>(rng() % 150000); }

// Arrays are intersected eight lows at a time: besides pairs of every
// density, hand-made pairs with lows 0 and 65535, groups whose last lows tie,
// equal arrays, interleaved ones that share nothing, and lengths that leave a
// tail of one to seven.
std::set<int> Every(int step, int from, int count, int extra) {
  std::set<int> ids;
  for (int k = 0; k < count; ++k) ids.insert(65536 * 3 + from + k * step);
  if (extra >= 0) ids.insert(65536 * 3 + extra);
  return ids;
}

TEST(OmiSet, AlgebraMatchesSetAcrossDensities) {
  // Pairs of densities make every pairing of array and bitmap containers:
  // long arrays, full bitmaps, bitmaps just past the array limit (whose
  // intersections fall around the point where bitmaps turn back into
  // arrays), short arrays, and ids all over the range.
  struct Density { int count; int (*draw)(std::mt19937&); };
  const Density densities[] = {{6000, ThickKey}, {60000, ThickKey}, {10000, ThickKey},
                               {3000, ThinKey},  {1500, SparseKey}, {1500, BoundaryKey}};
  std::mt19937 rng(77);
  std::vector<std::pair<std::set<int>, std::set<int>>> pairs;
  for (const Density& da : densities) {
    for (const Density& db : densities) {
      std::set<int> a = RandomIds(rng, da.count, da.draw);
      pairs.emplace_back(std::move(a), RandomIds(rng, db.count, db.draw));
    }
  }
  for (const auto& [a, b] : {std::pair{Every(2, 0, 100, 65535), Every(3, 0, 70, 65535)},
                             {Every(1, 0, 64, -1), Every(1, 0, 64, -1)}, {Every(2, 0, 50, -1), Every(2, 1, 50, -1)},
                             {Every(8, 7, 33, 0), Every(4, 3, 61, 65535)}, {Every(1, 100, 13, -1), Every(5, 90, 29, 0)},
                             {Every(7, 0, 9, 65535), Every(1, 0, 300, 65535)}}) {
    pairs.emplace_back(a, b);
    pairs.emplace_back(b, a);
  }
  for (const auto& [a, b] : pairs) {
    std::set<int> u, i, d;
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::inserter(u, u.end()));
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::inserter(i, i.end()));
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(d, d.end()));
    const omi_Set sa = MakeSet(a), sb = MakeSet(b);
    omi_Set su = sa, si = sa, sd = sa;
    su += sb;
    si &= sb;
    sd -= sb;
    ExpectSameSet(su, u);
    ExpectSameSet(si, i);
    ExpectSameSet(sd, d);
    ExpectSameSet(sa, a);  // operands untouched
    ExpectSameSet(sb, b);
    EXPECT_TRUE(su == MakeSet(u));
    EXPECT_TRUE(si == MakeSet(i));
    EXPECT_EQ(su == sa, u == a);
  }
  // An operand that is the set itself.
  const std::set<int> ids = RandomIds(rng, 30000, ThickKey);
  omi_Set s = MakeSet(ids);
  s += s;
  s &= s;
  ExpectSameSet(s, ids);
  s -= s;
  ExpectSameSet(s, {});
}

// Shifted unions: sources of every container form, moved within a
// container, by whole containers and bit offsets, down and up, onto targets
// that are empty, arrays and bitmaps, up to the ends of the int range;
// checked against the twin. The container walks that drive them in the id
// maps are checked through the sorted set's renumbering.
TEST(OmiSet, ShiftedUnionsMatchSet) {
  std::mt19937 rng(31);
  const std::pair<int, int> sources[] = {{200, 3}, {3000, 17}, {30000, 2}, {65536, 1}};  // (count, stride)
  const long long deltas[] = {0, 1, 63, 64, 65, 65536, -65536, 3 * 65536 + 17, -40000, 123457, -7};
  for (const auto& [count, stride] : sources) {
    for (const long long delta : deltas) {
      for (int target = 0; target < 3; ++target) {
        const int base = 9 * 65536;
        std::set<int> from;
        for (int k = 0; k < count && k * stride < 65536; ++k) from.insert(base + k * stride);
        std::set<int> want;
        for (int k = 0; k < target * 3000; ++k) want.insert(base + static_cast<int>(rng() % 200000) - 50000);
        omi_Set s = MakeSet(want);
        const int first = base + static_cast<int>(rng() % 2000), last = base + 65535 - static_cast<int>(rng() % 2000);
        for (int id : from)
          if (id >= first && id <= last) want.insert(static_cast<int>(id + delta));
        s.UniteShifted(MakeSet(from), first, last, delta);
        ExpectSameSet(s, want);
      }
    }
  }
  // The ends of the range: the window's other container lies outside it.
  const std::set<int> low = {INT_MIN, INT_MIN + 5, INT_MIN + 700};
  omi_Set s;
  s.UniteShifted(MakeSet(low), INT_MIN, INT_MIN + 700, 64);
  ExpectSameSet(s, {INT_MIN + 64, INT_MIN + 69, INT_MIN + 764});
  std::set<int> high, moved;
  for (int k = 0; k < 5000; ++k) {
    high.insert(INT_MAX - 3 * k);
    if (INT_MAX - 3 * k >= INT_MAX - 65535 + 100) moved.insert(INT_MAX - 3 * k - 100);
  }
  omi_Set h;
  h.UniteShifted(MakeSet(high), INT_MAX - 65535, INT_MAX, -100);
  ExpectSameSet(h, moved);
  // From itself.
  omi_Set self = MakeSet({1, 2, 3});
  self.UniteShifted(self, 1, 3, 10);
  ExpectSameSet(self, {1, 2, 3, 11, 12, 13});
}

}  // namespace
