// Integer tables and sets checked against std::map and std::set twins.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "omni.h"

namespace {

const int kBoundaryKeys[] = {INT_MIN, INT_MIN + 1, -65537, -65536, -1, 0, 1, 65535, 65536, 2147483646, 2147483647};

// Key generators for the shapes tables and sets meet.
struct KeyShape {
  const char* name;
  int (*draw)(std::mt19937& rng);
};

int DenseKey(std::mt19937& rng) { return static_cast<int>(rng() % 200000) + 1; }
int RunKey(std::mt19937& rng) {
  static const int starts[] = {1, 1000000, 5000000, -300000};
  return starts[rng() % 4] + static_cast<int>(rng() % 70000);
}
int SparseKey(std::mt19937& rng) { return static_cast<int>(rng()); }
int NegativeKey(std::mt19937& rng) { return -static_cast<int>(rng() % 100000) - 1; }
int BoundaryKey(std::mt19937& rng) {
  // Near the ends of the int range and around 0.
  const int k = static_cast<int>(rng() % 3000);
  switch (rng() % 4) {
    case 0: return INT_MIN + k;
    case 1: return INT_MAX - k;
    case 2: return k - 1500;
    default: return kBoundaryKeys[rng() % std::size(kBoundaryKeys)];
  }
}
// Clustered: a few tight clusters inside blocks, with outliers.
int ClusterKey(std::mt19937& rng) {
  if (rng() % 10 == 0) return static_cast<int>(rng() % 4000000);
  return static_cast<int>((rng() % 8) * 65536 + 40000 + rng() % 300);
}

const KeyShape kShapes[] = {{"dense", DenseKey},       {"runs", RunKey},         {"sparse", SparseKey},
                            {"negative", NegativeKey}, {"boundary", BoundaryKey}, {"cluster", ClusterKey}};

// ---------------------------------------------------------------------------
// Tables

template <class T>
std::vector<std::pair<int, T>> Walk(const omi_IntTable<T>& t) {
  std::vector<std::pair<int, T>> out;
  for (omi_IntTableIterator<T> it(t); !it.IsDone(); it.Next()) out.emplace_back(it.CurrentKey(), it.CurrentValue());
  return out;
}

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
  if (!twin.empty()) {
    EXPECT_EQ(it.CurrentKey(), twin.rbegin()->first);
    EXPECT_EQ(it.CurrentValue(), twin.rbegin()->second);
    it.Next();
    EXPECT_TRUE(it.IsDone());
  }
}

template <class T>
void RandomTableRun(const KeyShape& shape, unsigned seed, int steps) {
  SCOPED_TRACE(shape.name);
  std::mt19937 rng(seed);
  omi_IntTable<T> t;
  std::map<int, T> twin;
  for (int step = 0; step < steps; ++step) {
    const int key = shape.draw(rng);
    const unsigned op = rng() % 10;
    if (op < 6) {
      const T value = static_cast<T>(static_cast<int>(rng() % 1000000) - 500000) / (sizeof(T) == 8 ? 4 : 1);
      const bool added = twin.emplace(key, value).second;
      ASSERT_EQ(t.Insert(key, value), added) << key;
    } else if (op < 9) {
      ASSERT_EQ(t.Remove(key), twin.erase(key) == 1) << key;
    } else {
      const auto found = twin.find(key);
      const T* v = t.Find(key);
      ASSERT_EQ(v != nullptr, found != twin.end()) << key;
      if (v) {
        ASSERT_EQ(*v, found->second);
      }
      ASSERT_EQ(t.IsMember(key), v != nullptr);
    }
    if (step % 5000 == 4999) ExpectSameTable(t, twin);
  }
  ExpectSameTable(t, twin);
  for (const auto& [k, v] : twin) ASSERT_EQ(t.ConstGet(k), v);
  // Drain in random order: every block empties and goes.
  std::vector<int> keys;
  for (const auto& kv : twin) keys.push_back(kv.first);
  std::shuffle(keys.begin(), keys.end(), rng);
  for (size_t i = 0; i < keys.size(); ++i) {
    ASSERT_TRUE(t.Remove(keys[i]));
    twin.erase(keys[i]);
    if (i % 997 == 0) ExpectSameTable(t, twin);
  }
  ExpectSameTable(t, twin);
  EXPECT_EQ(t.MemoryBytes(), 0u);
}

TEST(OmiIntTable, RandomOperationsMatchMapInt) {
  unsigned seed = 11;
  for (const KeyShape& shape : kShapes) RandomTableRun<int>(shape, seed++, 60000);
}

TEST(OmiIntTable, RandomOperationsMatchMapDouble) {
  unsigned seed = 101;
  for (const KeyShape& shape : kShapes) RandomTableRun<double>(shape, seed++, 30000);
}

TEST(OmiIntTable, EmptyTable) {
  omi_IntTable<int> t;
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_EQ(t.Find(0), nullptr);
  EXPECT_FALSE(t.Remove(0));
  EXPECT_EQ(t.MemoryBytes(), 0u);
  EXPECT_LE(sizeof(t), 128u);
  omi_IntTableIterator<int> it(t);
  EXPECT_TRUE(it.IsDone());
  it.Last();
  EXPECT_TRUE(it.IsDone());
  it.Next();
  EXPECT_TRUE(it.IsDone());
}

// Whole blocks of keys at the top of the non-negative range and at the
// bottom of the negative one, so that the first half's arena lies next to
// keys of the other half; values of zero and holes inside full blocks.
TEST(OmiIntTable, FullBlocksAtTheHalvesBorder) {
  omi_IntTable<int> t;
  std::map<int, int> twin;
  const auto add = [&](int k, int v) {
    ASSERT_EQ(t.Insert(k, v), twin.emplace(k, v).second) << k;
  };
  for (int i = 0; i < 200000; ++i) {
    add(INT_MAX - i, i % 7 == 0 ? 0 : i);
    add(INT_MIN + i, i % 5 == 0 ? 0 : -i);
    add(i, i % 3 == 0 ? 0 : i + 1);
  }
  for (int i = 0; i < 200000; i += 11) {
    ASSERT_TRUE(t.Remove(INT_MAX - i));
    ASSERT_TRUE(t.Remove(INT_MIN + i));
    ASSERT_TRUE(t.Remove(i));
    twin.erase(INT_MAX - i);
    twin.erase(INT_MIN + i);
    twin.erase(i);
  }
  ExpectSameTable(t, twin);
  for (int i = 0; i < 300000; ++i) {
    for (const int k : {INT_MAX - i, INT_MIN + i, i, -1 - i}) {
      const auto found = twin.find(k);
      const int* v = t.Find(k);
      ASSERT_EQ(v != nullptr, found != twin.end()) << k;
      if (v) {
        ASSERT_EQ(*v, found->second) << k;
      }
    }
  }
  // The same after a copy, whose arena is laid out afresh.
  const omi_IntTable<int> copy(t);
  EXPECT_TRUE(copy == t);
  for (const auto& [k, v] : twin) ASSERT_EQ(copy.ConstGet(k), v) << k;
  EXPECT_EQ(copy.Find(-1), nullptr);
  EXPECT_EQ(copy.Find(INT_MAX - 300000), nullptr);
}

// Bulk inserts of pieces of ascending runs (the stored form's order), of
// unordered and repeated keys, and into tables already holding keys: the
// result is that of inserting one by one, whatever forms blocks took. Runs of
// consecutive keys fill fresh blocks without clearing them first; the heap is
// left dirty beforehand, so that a slot left uncleared would show as a
// present key.
// Frees blocks full of non-zero bytes, for the next allocations to reuse.
void DirtyHeap() {
  for (size_t bytes : {size_t{4} << 10, size_t{64} << 10, size_t{520} << 10}) {
    std::vector<unsigned char> dirty(bytes, 0xA5);
    asm volatile("" : : "r"(dirty.data()) : "memory");
  }
}

template <class T>
void CheckInsertAscending() {
  std::mt19937 rng(77);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::vector<int> keys;
    int k = round % 4 == 0 ? INT_MIN + static_cast<int>(rng() % 5) : static_cast<int>(rng() % 300000) - 150000;
    const int count = static_cast<int>(rng() % 150000);
    for (int i = 0; i < count; ++i) {
      switch (rng() % 64) {
        case 0: k = static_cast<int>(rng()); break;  // a jump, up or down
        case 1: keys.push_back(k); break;            // a repeat
        default: break;
      }
      keys.push_back(k);
      const int step = round % 3 == 0 ? 1 + static_cast<int>(rng() % 3000) : 1;
      if (k > INT_MAX - step) k = INT_MIN;
      k += step;
    }
    std::vector<T> values(keys.size());
    for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<T>(i % 11);  // zeros among them
    DirtyHeap();
    omi_IntTable<T> bulk, single;
    std::map<int, T> twin;
    // Some keys before, so that runs meet existing blocks of either form.
    for (int i = 0; i < 2000; ++i) {
      const int pre = static_cast<int>(rng() % 400000) - 200000;
      bulk.Insert(pre, -pre);
      single.Insert(pre, -pre);
      twin.emplace(pre, -pre);
    }
    int expectAdded = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
      expectAdded += twin.emplace(keys[i], values[i]).second;
      single.Insert(keys[i], values[i]);
    }
    int added = 0;
    for (size_t at = 0; at < keys.size();) {
      const size_t piece = std::min<size_t>(keys.size() - at, 1 + rng() % 9000);
      added += bulk.InsertAscending(keys.data() + at, values.data() + at, static_cast<int>(piece));
      at += piece;
    }
    EXPECT_EQ(added, expectAdded);
    ExpectSameTable(bulk, twin);
    EXPECT_TRUE(bulk == single);
  }
}

TEST(OmiIntTable, InsertAscendingMatchesInsertInt) { CheckInsertAscending<int>(); }
TEST(OmiIntTable, InsertAscendingMatchesInsertDouble) { CheckInsertAscending<double>(); }

TEST(OmiIntTable, InsertNeverReplaces) {
  omi_IntTable<int> t;
  EXPECT_TRUE(t.Insert(7, 70));
  EXPECT_FALSE(t.Insert(7, 71));
  EXPECT_EQ(*t.Find(7), 70);
  // The half answers the same, for the key's bit pattern.
  EXPECT_FALSE(t.Half(7).Insert(omi_IntTable<int>::HalfKey(7), 72));
  EXPECT_TRUE(t.Half(-7).Insert(omi_IntTable<int>::HalfKey(-7), -70));
  EXPECT_FALSE(t.Insert(-7, 0));
  EXPECT_EQ(t.ConstGet(-7), -70);
  EXPECT_TRUE(t.Half(-7).Remove(omi_IntTable<int>::HalfKey(-7)));
  EXPECT_FALSE(t.Half(-7).Remove(omi_IntTable<int>::HalfKey(-7)));
  EXPECT_EQ(t.Size(), 1);
  // Also in a dense block, and after the block changed form.
  for (int k = 0; k < 5000; ++k) ASSERT_EQ(t.Insert(k, k), k != 7);
  for (int k = 0; k < 5000; ++k) ASSERT_FALSE(t.Insert(k, -1));
  EXPECT_EQ(*t.Find(7), 70);
  EXPECT_EQ(*t.Find(4999), 4999);
}

TEST(OmiIntTable, BoundaryKeysOrderAndLast) {
  omi_IntTable<double> t;
  std::map<int, double> twin;
  for (int k : kBoundaryKeys) {
    t.Insert(k, k / 2.0);
    twin[k] = k / 2.0;
  }
  ExpectSameTable(t, twin);
  EXPECT_EQ(Walk(t).front().first, INT_MIN);
  omi_IntTableIterator<double> it(t);
  it.Last();
  EXPECT_EQ(it.CurrentKey(), INT_MAX);
  // Largest key plus one is how the library finds a free id: Last follows removals.
  t.Remove(INT_MAX);
  t.Remove(2147483646);
  it.Last();
  EXPECT_EQ(it.CurrentKey(), 65536);
  // Only negative keys left: Last is the largest negative one.
  for (int k : {0, 1, 65535, 65536}) t.Remove(k);
  it.Last();
  EXPECT_EQ(it.CurrentKey(), -1);
  it.First();
  EXPECT_EQ(it.CurrentKey(), INT_MIN);
}

TEST(OmiIntTable, AbsentKeyAccess) {
  omi_IntTable<int> t;
  t.Insert(3, 30);
  // ConstGet of an absent key reads T{} and leaves the table alone.
  EXPECT_EQ(t.ConstGet(4), 0);
  EXPECT_EQ(t.Size(), 1);
  // Get of an absent key inserts T{}.
  t.Get(4) = 40;
  EXPECT_EQ(t.ConstGet(4), 40);
  t.Get(3) += 1;
  EXPECT_EQ(t.ConstGet(3), 31);
  EXPECT_EQ(t.Size(), 2);
}

TEST(OmiIntTable, CopiesAreIndependent) {
  omi_IntTable<int> a;
  std::map<int, int> twin;
  std::mt19937 rng(5);
  for (int i = 0; i < 20000; ++i) {
    const int k = i % 2 ? static_cast<int>(rng()) : i;
    if (a.Insert(k, i)) twin[k] = i;
  }
  omi_IntTable<int> b(a);
  EXPECT_TRUE(a == b);
  for (int i = 0; i < 20000; i += 3) a.Remove(i);
  a.Insert(-5, 5);
  *b.Find(2) = 99;
  twin[2] = 99;
  ExpectSameTable(b, twin);
  EXPECT_FALSE(a == b);

  omi_IntTable<int> c;
  c.Insert(1, 1);
  c = b;
  ExpectSameTable(c, twin);
  c = c;  // self-assignment keeps the contents
  ExpectSameTable(c, twin);
  omi_IntTable<int> d(std::move(c));
  ExpectSameTable(d, twin);
  EXPECT_TRUE(c.IsEmpty());
  c = std::move(d);
  ExpectSameTable(c, twin);
  c.Clear();
  EXPECT_TRUE(c.IsEmpty());
  EXPECT_EQ(Walk(c).size(), 0u);
  ExpectSameTable(b, twin);
}

TEST(OmiIntTable, EqualityIgnoresHowTheTableWasBuilt) {
  std::vector<int> keys;
  for (int k = 0; k < 3000; ++k) keys.push_back(k * 3);         // dense block
  for (int k = 0; k < 50; ++k) keys.push_back(1000000 + k * 977);  // sparse block
  omi_IntTable<int> up, down, scattered;
  for (int k : keys) up.Insert(k, k + 1);
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) down.Insert(*it, *it + 1);
  // Built big then cut back: the block stays in another form.
  for (int k = 0; k < 9000; ++k) scattered.Insert(k, k + 1);
  for (int k = 0; k < 9000; ++k)
    if (k % 3) scattered.Remove(k);
  for (int k = 0; k < 50; ++k) scattered.Insert(1000000 + k * 977, 1000000 + k * 977 + 1);
  EXPECT_TRUE(up == down);
  EXPECT_TRUE(up == scattered);
  *scattered.Find(300) = 0;
  EXPECT_FALSE(up == scattered);
  omi_IntTable<int> fewer(up);
  fewer.Remove(0);
  EXPECT_FALSE(up == fewer);
}

TEST(OmiIntTable, BlockFormsSurviveGrowthAndShrinking) {
  // Ascending fill, as tables are read from files, then a descending one
  // below it, then thinning out to a few keys far apart.
  omi_IntTable<int> t;
  std::map<int, int> twin;
  for (int k = 100000; k < 400000; ++k) {
    t.Insert(k, -k);
    twin[k] = -k;
  }
  for (int k = 99999; k >= 0; --k) {
    t.Insert(k, -k);
    twin[k] = -k;
  }
  ExpectSameTable(t, twin);
  // Full blocks share one mapping; a copy has its own.
  omi_IntTable<int> copy(t);
  const std::map<int, int> full = twin;
  for (int k = 0; k < 400000; ++k) {
    if (k % 1000) {
      t.Remove(k);
      twin.erase(k);
    }
  }
  ExpectSameTable(t, twin);
  for (int k = 0; k < 400000; k += 1000) ASSERT_EQ(*t.Find(k), -k);
  EXPECT_EQ(t.Find(1), nullptr);
  ExpectSameTable(copy, full);
  // Refilled after the blocks were given back, and values of zero, which
  // is also what the slots of absent keys hold.
  for (int k = 0; k < 400000; ++k) {
    t.Insert(k, 0);
    twin.emplace(k, 0);
  }
  ExpectSameTable(t, twin);
  EXPECT_EQ(*t.Find(1), 0);
  EXPECT_EQ(*t.Find(1000), -1000);
  t.Remove(1);
  EXPECT_EQ(t.Find(1), nullptr);
  copy = std::move(t);
  twin.erase(1);
  ExpectSameTable(copy, twin);
}

TEST(OmiIntTable, FullBlocksFarApartAndBelow) {
  // Full blocks scattered with gaps, added top down and bottom up, negative
  // keys among them, removed block by block.
  omi_IntTable<int> t;
  std::map<int, int> twin;
  const int starts[] = {50 * 65536, 10 * 65536, 30 * 65536, 9 * 65536, 400 * 65536, -3 * 65536, 11 * 65536};
  for (int start : starts) {
    for (int k = start; k < start + 65536; ++k) {
      t.Insert(k, k | 1);
      twin[k] = k | 1;
    }
    ExpectSameTable(t, twin);
  }
  for (int start : starts) {
    EXPECT_EQ(*t.Find(start), start | 1);
    EXPECT_EQ(t.Find(start - 1) != nullptr, twin.count(start - 1) == 1);
  }
  for (int start : {10 * 65536, 400 * 65536, 9 * 65536}) {
    for (int k = start; k < start + 65536; ++k) {
      t.Remove(k);
      twin.erase(k);
    }
    ExpectSameTable(t, twin);
    EXPECT_EQ(t.Find(start + 5), nullptr);
  }
}

TEST(OmiIntTable, MemoryStaysSmall) {
  omi_IntTable<int> one;
  one.Insert(123456789, 1);
  EXPECT_LT(one.MemoryBytes(), 300u);

  omi_IntTable<int> far;  // two keys far apart must not pay for the gap
  far.Insert(1, 1);
  far.Insert(2000000000, 2);
  far.Insert(-2000000000, 3);
  EXPECT_LT(far.MemoryBytes(), 600u);

  omi_IntTable<int> dense;
  const int n = 1 << 20;
  for (int k = 1; k <= n; ++k) dense.Insert(k, k);
  EXPECT_LE(static_cast<double>(dense.MemoryBytes()) / n, 4.5);

  omi_IntTable<int> sparse;
  std::mt19937 rng(3);
  while (sparse.Size() < n) sparse.Insert(static_cast<int>(rng() >> 1), 1);
  EXPECT_LE(static_cast<double>(sparse.MemoryBytes()) / n, 16.0);
}

// ---------------------------------------------------------------------------
// Sets

std::vector<int> Walk(const omi_Set& s) {
  std::vector<int> out;
  for (omi_SetIT it(s); !it.IsDone(); it.Next()) out.push_back(it.CurrentItem());
  return out;
}

void ExpectSameSet(const omi_Set& s, const std::set<int>& twin) {
  ASSERT_EQ(s.Size(), static_cast<int>(twin.size()));
  EXPECT_EQ(s.IsEmpty(), twin.empty());
  const std::vector<int> want(twin.begin(), twin.end());
  EXPECT_EQ(Walk(s), want);
  std::vector<int> each;
  s.ForEach([&each](int id) { each.push_back(id); });
  EXPECT_EQ(each, want);
  std::vector<int> array(twin.size());
  s.ToArray(array.data());
  EXPECT_EQ(array, want);
  std::vector<int> trav;
  for (omi_BlkBitVectTrav it(s.BitVector()); !it.IsDone(); it.Next()) trav.push_back(it.CurrentItem());
  EXPECT_EQ(trav, want);
  if (!twin.empty()) {
    EXPECT_EQ(s.Smallest(), *twin.begin());
    EXPECT_EQ(s.Largest(), *twin.rbegin());
  }
}

TEST(OmiSet, RandomOperationsMatchSet) {
  unsigned seed = 21;
  for (const KeyShape& shape : kShapes) {
    SCOPED_TRACE(shape.name);
    std::mt19937 rng(seed++);
    omi_Set s;
    std::set<int> twin;
    for (int step = 0; step < 80000; ++step) {
      const int id = shape.draw(rng);
      const unsigned op = rng() % 10;
      if (op < 6) {
        ASSERT_EQ(s.Insert(id), twin.insert(id).second) << id;
      } else if (op < 9) {
        ASSERT_EQ(s.Remove(id), twin.erase(id) == 1) << id;
      } else {
        ASSERT_EQ(s.IsMember(id), twin.count(id) == 1) << id;
      }
      if (step % 20000 == 19999) ExpectSameSet(s, twin);
    }
    ExpectSameSet(s, twin);
    for (int id : std::vector<int>(twin.begin(), twin.end())) ASSERT_TRUE(s.Remove(id));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.MemoryBytes(), 0u);
  }
}

TEST(OmiSet, ContainerThresholds) {
  // One container filled past the array limit and emptied again, crossing
  // both form changes, checked at every step near them.
  omi_Set s;
  std::set<int> twin;
  std::mt19937 rng(8);
  std::vector<int> ids(10000);
  for (int i = 0; i < 10000; ++i) ids[static_cast<size_t>(i)] = 7 * 65536 + i * 6;
  std::shuffle(ids.begin(), ids.end(), rng);
  for (size_t i = 0; i < 5000; ++i) {
    ASSERT_TRUE(s.Insert(ids[i]));
    twin.insert(ids[i]);
    if (i > 4090 && i < 4100) ExpectSameSet(s, twin);
  }
  for (size_t i = 0; i < 5000; ++i) {
    ASSERT_TRUE(s.Remove(ids[i]));
    twin.erase(ids[i]);
    if (twin.size() > 250 && twin.size() < 260) ExpectSameSet(s, twin);
  }
  EXPECT_TRUE(s.IsEmpty());
}

TEST(OmiSet, EmptyAndBoundaryIds) {
  omi_Set s;
  EXPECT_TRUE(omi_SetIT(s).IsDone());
  // Neutral values of a minimum and a maximum.
  EXPECT_EQ(s.Smallest(), INT_MAX);
  EXPECT_EQ(s.Largest(), INT_MIN);
  std::set<int> twin(std::begin(kBoundaryKeys), std::end(kBoundaryKeys));
  for (int id : kBoundaryKeys) EXPECT_TRUE(s.Insert(id));
  for (int id : kBoundaryKeys) EXPECT_FALSE(s.Insert(id));
  ExpectSameSet(s, twin);
  EXPECT_EQ(s.Smallest(), INT_MIN);
  EXPECT_EQ(s.Largest(), INT_MAX);
  omi_SetIT it(s);
  it.Next();
  it.First();
  EXPECT_EQ(it.CurrentItem(), INT_MIN);
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

int ThinKey(std::mt19937& rng) { return static_cast<int>(rng() % 2000000); }
int ThickKey(std::mt19937& rng) { return static_cast<int>(rng() % 150000); }

TEST(OmiSet, AlgebraMatchesSetAcrossDensities) {
  // Pairs of densities make every pairing of array and bitmap containers:
  // long arrays, full bitmaps, bitmaps just past the array limit (whose
  // intersections fall around the point where bitmaps turn back into
  // arrays), short arrays, and ids all over the range.
  struct Density {
    int count;
    int (*draw)(std::mt19937&);
  };
  const Density densities[] = {{6000, ThickKey}, {60000, ThickKey}, {10000, ThickKey},
                               {3000, ThinKey},  {1500, SparseKey},  {1500, BoundaryKey}};
  std::mt19937 rng(77);
  for (const Density& da : densities) {
    for (const Density& db : densities) {
      const std::set<int> a = RandomIds(rng, da.count, da.draw);
      const std::set<int> b = RandomIds(rng, db.count, db.draw);
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
  }
}

TEST(OmiSet, SelfAlgebra) {
  std::mt19937 rng(4);
  const std::set<int> ids = RandomIds(rng, 30000, ThickKey);
  omi_Set s = MakeSet(ids);
  s += s;
  ExpectSameSet(s, ids);
  s &= s;
  ExpectSameSet(s, ids);
  s -= s;
  ExpectSameSet(s, {});
}

TEST(OmiSet, EqualityComparesMembersNotForms) {
  // 300 ids in one container: an array when built directly, a bitmap when
  // cut down from a larger set.
  omi_Set direct, cut;
  for (int i = 0; i < 300; ++i) direct.Insert(i * 50);
  for (int i = 0; i < 6000; ++i) cut.Insert(i * 5);
  for (int i = 0; i < 6000; ++i)
    if (i % 10) cut.Remove(i * 5);
  EXPECT_EQ(cut.Size(), 600);
  for (int i = 300; i < 600; ++i) cut.Remove(i * 50);
  EXPECT_TRUE(direct == cut);
  EXPECT_TRUE(cut == direct);
  cut.Remove(0);
  cut.Insert(1);
  EXPECT_FALSE(direct == cut);
}

TEST(OmiSet, BulkInsertion) {
  std::mt19937 rng(12);
  for (const KeyShape& shape : kShapes) {
    SCOPED_TRACE(shape.name);
    std::vector<int> ids;
    for (int i = 0; i < 40000; ++i) ids.push_back(shape.draw(rng));
    std::set<int> twin(ids.begin(), ids.end());
    // Any order.
    omi_Set any;
    any.Insert(ids.data(), static_cast<int>(ids.size()));
    ExpectSameSet(any, twin);
    // Ascending with duplicates, into a set that already holds some ids.
    std::vector<int> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    omi_Set merged;
    for (size_t i = 0; i < ids.size(); i += 7) merged.Insert(ids[i]);
    merged.InsertSorted(sorted.data(), static_cast<int>(sorted.size()));
    ExpectSameSet(merged, twin);
    EXPECT_TRUE(merged == any);
  }
  // A long ascending run into one container goes straight to a bitmap.
  std::vector<int> run;
  for (int i = 0; i < 60000; ++i) run.push_back(i);
  omi_Set s;
  s.InsertSorted(run.data(), static_cast<int>(run.size()));
  EXPECT_EQ(s.Size(), 60000);
  EXPECT_EQ(s.Largest(), 59999);
  // A run that is not ascending is still inserted whole.
  const int unsorted[] = {5, 3, 3, 9, -4};
  omi_Set u;
  u.InsertSorted(unsorted, 5);
  ExpectSameSet(u, {-4, 3, 5, 9});
  u.InsertSorted(unsorted, 0);
  u.Insert(unsorted, -1);
  EXPECT_EQ(u.Size(), 4);
}

TEST(OmiSet, CopiesAreIndependent) {
  std::mt19937 rng(9);
  const std::set<int> ids = RandomIds(rng, 50000, RunKey);
  omi_Set a = MakeSet(ids);
  omi_Set b(a);
  a.Clear();
  a.Insert(1);
  ExpectSameSet(b, ids);
  omi_Set c;
  c = b;
  b.Remove(*ids.begin());
  ExpectSameSet(c, ids);
  omi_Set d(std::move(c));
  ExpectSameSet(d, ids);
  EXPECT_TRUE(c.IsEmpty());
}

TEST(OmiSet, MemoryOfDenseAndSparseSets) {
  omi_Set dense;
  for (int i = 0; i < 1000000; ++i) dense.Insert(i);
  // Full bitmaps: one bit per id and the directory.
  EXPECT_LE(dense.MemoryBytes(), 1000000 / 8 + 16 * 1024);
  omi_Set sparse;
  std::mt19937 rng(1);
  for (int i = 0; i < 100000; ++i) sparse.Insert(static_cast<int>(rng() % (1u << 26)));
  // About 100 ids per container: two bytes per id, the arrays' slack and
  // the directory.
  EXPECT_LE(static_cast<double>(sparse.MemoryBytes()) / sparse.Size(), 3.5);
}

// ---------------------------------------------------------------------------
// Library start, end and singleton

TEST(Omni, StartAndEndLeaveTheCallersCounterAlone) {
  int level = 3;
  omni_initialize(level);
  omni_finalize(level);
  EXPECT_EQ(level, 3);
}

struct Counted {
  Counted() { ++made; }
  static int made;
};
int Counted::made = 0;

TEST(Omni, SingletonIsOneInstanceAcrossThreads) {
  std::vector<Counted*> seen(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&seen, i] { seen[i] = &omi_Singleton<Counted>::Instance(); });
  for (std::thread& t : threads) t.join();
  for (Counted* p : seen) EXPECT_EQ(p, &omi_Singleton<Counted>::Instance());
  EXPECT_EQ(Counted::made, 1);
}

}  // namespace
