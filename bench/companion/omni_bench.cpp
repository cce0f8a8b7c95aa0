// Integer tables and sets against baselines measured in the same run:
//   omi_IntTable<int>, dense keys (1..N and a few long runs of global ids):
//     Find of random present keys        vs  std::vector<int> indexed by key
//   omi_IntTable<int>, sparse keys (over the 31-bit range):
//     Find of random present keys        vs  absl::flat_hash_map<int, int>
//   ascending walks (ForEach, iterator)  vs  a scan of the values in a vector
//   Last()                               vs  Last() on a table of 1000 keys
//   building by ascending inserts        vs  absl::flat_hash_map inserts
//   omi_Set, 1M ids out of 10M: copy, then union / intersection
//                                        vs  std::vector<uint64_t> bitsets
//   omi_Set, 1M ids over the 31-bit range: copy, then union / intersection
//                                        vs  CRoaring bitmaps
// Each pair runs in turn, baseline then omni, three rounds, so that a slow
// spell of the machine hits both alike; the fastest round of each counts.
// Each pair reports the speedup, the baseline's time over omni's, and each
// structure its heap bytes per entry or id (targets in bench/targets.txt).
// Times are CPU times of the process: on a shared machine they are steadier
// than wall-clock times, and both sides are single-threaded.
#include <absl/container/flat_hash_map.h>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <roaring/roaring.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "omni.h"

namespace {

constexpr int kKeys = 10'000'000;
constexpr int kBatch = 1 << 20;  // lookups per benchmark iteration

// Random present keys to look up, in an order unrelated to the table's.
std::vector<int> Probes(const std::vector<int>& keys, unsigned seed) {
  std::vector<int> probes(keys);
  std::shuffle(probes.begin(), probes.end(), std::mt19937(seed));
  return probes;
}

// ---------------------------------------------------------------------------
// Tables

struct DenseTable {
  std::vector<int> keys;
  std::vector<int> probes;
  std::vector<int> byKey;  // the baseline: value at index key
  omi_IntTable<int> table;

  DenseTable(const char* name, const std::vector<std::pair<int, int>>& runs) {
    for (const auto& [first, count] : runs)
      for (int k = first; k < first + count; ++k) keys.push_back(k);
    byKey.assign(static_cast<size_t>(keys.back()) + 1, 0);
    for (int k : keys) {
      table.Insert(k, k ^ 0x5555);
      byKey[static_cast<size_t>(k)] = k ^ 0x5555;
    }
    probes = Probes(keys, 1);
    ReportMemory(std::string(name) + "_bytes_per_entry", double(table.MemoryBytes()) / double(keys.size()));
  }
};

DenseTable& Dense() {
  static DenseTable t("dense_table", {{1, kKeys}});
  return t;
}

// Global ids of a model of several instances: a few long runs with gaps.
DenseTable& Runs() {
  static DenseTable t("runs_table",
                      {{1, 3'000'000}, {4'000'001, 2'500'000}, {9'000'001, 3'000'000}, {20'000'001, 1'500'000}});
  return t;
}

struct SparseTable {
  std::vector<int> keys;  // ascending
  std::vector<int> probes;
  omi_IntTable<int> table;
  absl::flat_hash_map<int, int> absl;

  SparseTable() {
    std::mt19937 rng(2);
    keys.reserve(kKeys + kKeys / 100);
    for (int i = 0; i < kKeys + kKeys / 100; ++i) keys.push_back(static_cast<int>(rng() >> 1));
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    keys.resize(kKeys);
    probes = Probes(keys, 3);
    for (int k : probes) {  // random order, as a hash map is usually filled
      table.Insert(k, k ^ 0x5555);
      absl.emplace(k, k ^ 0x5555);
    }
    table.Trim();  // as the library leaves a table it has filled
    ReportMemory("sparse_table_bytes_per_entry", double(table.MemoryBytes()) / kKeys);
    // Slots of (key, value) plus one control byte each.
    ReportMemory("sparse_absl_bytes_per_entry", double(absl.capacity() * (sizeof(std::pair<int, int>) + 1)) / kKeys);
  }
};

SparseTable& Sparse() {
  static SparseTable t;
  return t;
}

template <class Lookup>
void RunLookups(benchmark::State& state, const std::vector<int>& probes, Lookup lookup) {
  size_t at = 0;
  for (auto _ : state) {
    long long sum = 0;
    for (int i = 0; i < kBatch; ++i) sum += lookup(probes[at + static_cast<size_t>(i)]);
    benchmark::DoNotOptimize(sum);
    at = at + 2 * kBatch <= probes.size() ? at + kBatch : 0;
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

void BM_DenseFind_Vector(benchmark::State& state) {
  const DenseTable& t = Dense();
  RunLookups(state, t.probes, [&t](int k) { return t.byKey[static_cast<size_t>(k)]; });
}
void BM_DenseFind_Omni(benchmark::State& state) {
  const DenseTable& t = Dense();
  RunLookups(state, t.probes, [&t](int k) { return *t.table.Find(k); });
}
void BM_RunsFind_Vector(benchmark::State& state) {
  const DenseTable& t = Runs();
  RunLookups(state, t.probes, [&t](int k) { return t.byKey[static_cast<size_t>(k)]; });
}
void BM_RunsFind_Omni(benchmark::State& state) {
  const DenseTable& t = Runs();
  RunLookups(state, t.probes, [&t](int k) { return *t.table.Find(k); });
}
void BM_SparseFind_Absl(benchmark::State& state) {
  const SparseTable& t = Sparse();
  RunLookups(state, t.probes, [&t](int k) { return t.absl.find(k)->second; });
}
void BM_SparseFind_Omni(benchmark::State& state) {
  const SparseTable& t = Sparse();
  RunLookups(state, t.probes, [&t](int k) { return *t.table.Find(k); });
}

// Ascending walks: the baseline reads each key's value from the dense vector.
void BM_DenseScan_Vector(benchmark::State& state) {
  const DenseTable& t = Dense();
  for (auto _ : state) {
    long long sum = 0;
    for (int k : t.keys) sum += k ^ t.byKey[static_cast<size_t>(k)];
    benchmark::DoNotOptimize(sum);
  }
}
// The two ways of walking a table, summing what the baselines sum.
void WalkForEach(benchmark::State& state, const omi_IntTable<int>& table) {
  for (auto _ : state) {
    long long sum = 0;
    table.ForEach([&sum](int k, int v) { sum += k ^ v; });
    benchmark::DoNotOptimize(sum);
  }
}
void WalkIterator(benchmark::State& state, const omi_IntTable<int>& table) {
  for (auto _ : state) {
    long long sum = 0;
    for (omi_IntTableIterator<int> it(table); !it.IsDone(); it.Next()) sum += it.CurrentKey() ^ it.CurrentValue();
    benchmark::DoNotOptimize(sum);
  }
}
void BM_DenseForEach_Omni(benchmark::State& state) { WalkForEach(state, Dense().table); }
void BM_DenseIterator_Omni(benchmark::State& state) { WalkIterator(state, Dense().table); }
// Sparse walk: the baseline scans the (key, value) pairs sorted by key.
void BM_SparseScan_Pairs(benchmark::State& state) {
  const SparseTable& t = Sparse();
  static const std::vector<std::pair<int, int>> pairs = [&t] {
    std::vector<std::pair<int, int>> p;
    for (int k : t.keys) p.emplace_back(k, k ^ 0x5555);
    return p;
  }();
  for (auto _ : state) {
    long long sum = 0;
    for (const auto& [k, v] : pairs) sum += k ^ v;
    benchmark::DoNotOptimize(sum);
  }
}
void BM_SparseForEach_Omni(benchmark::State& state) { WalkForEach(state, Sparse().table); }
void BM_SparseIterator_Omni(benchmark::State& state) { WalkIterator(state, Sparse().table); }

// Last() is O(1): a table of 10M keys against one of 1000.
void BM_Last_Small(benchmark::State& state) {
  static const omi_IntTable<int> small = [] {
    omi_IntTable<int> t;
    for (int k = 1; k <= 1000; ++k) t.Insert(k, k);
    return t;
  }();
  omi_IntTableIterator<int> it(small);
  for (auto _ : state) {
    it.Last();
    benchmark::DoNotOptimize(it.CurrentKey());
  }
}
void BM_Last_Omni(benchmark::State& state) {
  omi_IntTableIterator<int> it(Sparse().table);
  for (auto _ : state) {
    it.Last();
    benchmark::DoNotOptimize(it.CurrentKey());
  }
}

// Building by ascending inserts, as tables are read from part files.
constexpr int kBuild = 2'000'000;
const std::vector<int>& AscendingSparse() {
  static const std::vector<int> keys(Sparse().keys.begin(), Sparse().keys.begin() + kBuild);
  return keys;
}
void BM_BuildDense_Absl(benchmark::State& state) {
  for (auto _ : state) {
    absl::flat_hash_map<int, int> m;
    for (int k = 1; k <= kBuild; ++k) m.emplace(k, k);
    benchmark::DoNotOptimize(m.size());
  }
}
void BM_BuildDense_Omni(benchmark::State& state) {
  for (auto _ : state) {
    omi_IntTable<int> t;
    for (int k = 1; k <= kBuild; ++k) t.Insert(k, k);
    benchmark::DoNotOptimize(t.Size());
  }
}
void BM_BuildSparse_Absl(benchmark::State& state) {
  const std::vector<int>& keys = AscendingSparse();
  for (auto _ : state) {
    absl::flat_hash_map<int, int> m;
    for (int k : keys) m.emplace(k, k);
    benchmark::DoNotOptimize(m.size());
  }
}
void BM_BuildSparse_Omni(benchmark::State& state) {
  const std::vector<int>& keys = AscendingSparse();
  for (auto _ : state) {
    omi_IntTable<int> t;
    for (int k : keys) t.Insert(k, k);
    benchmark::DoNotOptimize(t.Size());
  }
}

// ---------------------------------------------------------------------------
// Sets

size_t HeapInUse() { return mallinfo2().uordblks; }

std::vector<int> RandomIds(unsigned seed, int count, uint32_t range) {
  std::mt19937 rng(seed);
  std::vector<int> ids;
  while (static_cast<int>(ids.size()) < count) {
    for (int i = static_cast<int>(ids.size()); i < count; ++i) ids.push_back(static_cast<int>(rng() % range));
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  }
  return ids;
}

// Two sets of 1M ids out of 10M.
struct DenseSets {
  omi_Set a, b;
  std::vector<uint64_t> bitsA, bitsB;

  DenseSets() {
    const std::vector<int> idsA = RandomIds(4, 1'000'000, kKeys);
    const std::vector<int> idsB = RandomIds(5, 1'000'000, kKeys);
    a.InsertSorted(idsA.data(), static_cast<int>(idsA.size()));
    b.InsertSorted(idsB.data(), static_cast<int>(idsB.size()));
    bitsA.assign(kKeys / 64 + 1, 0);
    bitsB.assign(kKeys / 64 + 1, 0);
    for (int id : idsA) bitsA[static_cast<size_t>(id) / 64] |= uint64_t{1} << (id % 64);
    for (int id : idsB) bitsB[static_cast<size_t>(id) / 64] |= uint64_t{1} << (id % 64);
    ReportMemory("dense_set_bytes_per_id", double(a.MemoryBytes()) / a.Size());
  }
};

DenseSets& DenseSet() {
  static DenseSets s;
  return s;
}

void BM_SetUnion_Bitset(benchmark::State& state) {
  const DenseSets& s = DenseSet();
  for (auto _ : state) {
    std::vector<uint64_t> x(s.bitsA);
    for (size_t i = 0; i < x.size(); ++i) x[i] |= s.bitsB[i];
    benchmark::DoNotOptimize(x.data());
  }
}
void BM_SetUnion_Omni(benchmark::State& state) {
  const DenseSets& s = DenseSet();
  for (auto _ : state) {
    omi_Set x(s.a);
    x += s.b;
    benchmark::DoNotOptimize(x.Size());
  }
}
void BM_SetIntersect_Bitset(benchmark::State& state) {
  const DenseSets& s = DenseSet();
  for (auto _ : state) {
    std::vector<uint64_t> x(s.bitsA);
    for (size_t i = 0; i < x.size(); ++i) x[i] &= s.bitsB[i];
    benchmark::DoNotOptimize(x.data());
  }
}
void BM_SetIntersect_Omni(benchmark::State& state) {
  const DenseSets& s = DenseSet();
  for (auto _ : state) {
    omi_Set x(s.a);
    x &= s.b;
    benchmark::DoNotOptimize(x.Size());
  }
}
// In place, without the copy: a union repeated does the same work each time.
void BM_SetUnionInPlace_Bitset(benchmark::State& state) {
  DenseSets& s = DenseSet();
  std::vector<uint64_t> x(s.bitsA);
  for (auto _ : state) {
    for (size_t i = 0; i < x.size(); ++i) x[i] |= s.bitsB[i];
    benchmark::DoNotOptimize(x.data());
  }
}
void BM_SetUnionInPlace_Omni(benchmark::State& state) {
  const DenseSets& s = DenseSet();
  omi_Set x(s.a);
  for (auto _ : state) {
    x += s.b;
    benchmark::DoNotOptimize(x.Size());
  }
}

// Two sets of 1M ids over the 31-bit range.
struct SparseSets {
  omi_Set a, b;
  roaring_bitmap_t* ra;
  roaring_bitmap_t* rb;
  double omniBytes, roaringBytes;

  SparseSets() {
    const std::vector<int> idsA = RandomIds(6, 1'000'000, 1u << 31);
    const std::vector<int> idsB = RandomIds(7, 1'000'000, 1u << 31);
    // Heap in use before and after building each, for both alike.
    size_t before = HeapInUse();
    a.InsertSorted(idsA.data(), static_cast<int>(idsA.size()));
    omniBytes = double(HeapInUse() - before) / 1e6;
    b.InsertSorted(idsB.data(), static_cast<int>(idsB.size()));
    before = HeapInUse();
    ra = roaring_bitmap_of_ptr(idsA.size(), reinterpret_cast<const uint32_t*>(idsA.data()));
    roaringBytes = double(HeapInUse() - before) / 1e6;
    rb = roaring_bitmap_of_ptr(idsB.size(), reinterpret_cast<const uint32_t*>(idsB.data()));
    ReportMemory("sparse_set_bytes_per_id", omniBytes);
    ReportMemory("sparse_set_roaring_bytes_per_id", roaringBytes);
  }
};

SparseSets& SparseSet() {
  static SparseSets s;
  return s;
}

void BM_SparseUnion_Roaring(benchmark::State& state) {
  const SparseSets& s = SparseSet();
  for (auto _ : state) {
    roaring_bitmap_t* x = roaring_bitmap_copy(s.ra);
    roaring_bitmap_or_inplace(x, s.rb);
    benchmark::DoNotOptimize(roaring_bitmap_get_cardinality(x));
    roaring_bitmap_free(x);
  }
}
void BM_SparseUnion_Omni(benchmark::State& state) {
  const SparseSets& s = SparseSet();
  for (auto _ : state) {
    omi_Set x(s.a);
    x += s.b;
    benchmark::DoNotOptimize(x.Size());
  }
}
void BM_SparseIntersect_Roaring(benchmark::State& state) {
  const SparseSets& s = SparseSet();
  for (auto _ : state) {
    roaring_bitmap_t* x = roaring_bitmap_copy(s.ra);
    roaring_bitmap_and_inplace(x, s.rb);
    benchmark::DoNotOptimize(roaring_bitmap_get_cardinality(x));
    roaring_bitmap_free(x);
  }
}
void BM_SparseIntersect_Omni(benchmark::State& state) {
  const SparseSets& s = SparseSet();
  for (auto _ : state) {
    omi_Set x(s.a);
    x &= s.b;
    benchmark::DoNotOptimize(x.Size());
  }
}

// ---------------------------------------------------------------------------

#define KVL_PAIR(ratio, base, ours, iterations) {ratio, #base, base, #ours, ours, iterations}

const BenchSteps kSteps([] {
  RunPairsInRounds(
      {
          KVL_PAIR("dense_find_vs_vector", BM_DenseFind_Vector, BM_DenseFind_Omni, 0),
          KVL_PAIR("runs_find_vs_vector", BM_RunsFind_Vector, BM_RunsFind_Omni, 0),
          KVL_PAIR("sparse_find_vs_absl", BM_SparseFind_Absl, BM_SparseFind_Omni, 0),
          KVL_PAIR("dense_foreach_vs_scan", BM_DenseScan_Vector, BM_DenseForEach_Omni, 0),
          KVL_PAIR("dense_iterator_vs_scan", BM_DenseScan_Vector, BM_DenseIterator_Omni, 0),
          KVL_PAIR("sparse_foreach_vs_scan", BM_SparseScan_Pairs, BM_SparseForEach_Omni, 0),
          KVL_PAIR("sparse_iterator_vs_scan", BM_SparseScan_Pairs, BM_SparseIterator_Omni, 0),
          KVL_PAIR("last_10M_vs_1000", BM_Last_Small, BM_Last_Omni, 0),
          KVL_PAIR("build_dense_vs_absl", BM_BuildDense_Absl, BM_BuildDense_Omni, 1),
          KVL_PAIR("build_sparse_vs_absl", BM_BuildSparse_Absl, BM_BuildSparse_Omni, 1),
          KVL_PAIR("set_union_vs_bitset", BM_SetUnion_Bitset, BM_SetUnion_Omni, 0),
          KVL_PAIR("set_intersect_vs_bitset", BM_SetIntersect_Bitset, BM_SetIntersect_Omni, 0),
          KVL_PAIR("set_union_inplace_vs_bitset", BM_SetUnionInPlace_Bitset, BM_SetUnionInPlace_Omni, 0),
          KVL_PAIR("sparse_set_union_vs_roaring", BM_SparseUnion_Roaring, BM_SparseUnion_Omni, 0),
          KVL_PAIR("sparse_set_intersect_vs_roaring", BM_SparseIntersect_Roaring, BM_SparseIntersect_Omni, 0),
      },
      3, BestOf::kProcessorTime);
});

}  // namespace
