// Union and intersection of inpM_OmiSet, each against a baseline measured in
// the same run:
//   dense: two sets of 1M ids out of 10M   vs  word-wise OR / AND over std::vector<uint64_t> bitsets
//   sparse: two sets of 1M ids spread over the 31-bit range
//                                          vs  std::set_union / std::set_intersection of sorted vectors
// Each case copies its left operand and combines the copy with the right one;
// the baselines copy theirs too. Every case reports "ratio_vs_baseline", its
// time divided by the baseline's, and main ends with one line
// "RATIO <name> <value>" per case (target: dense at most 1.5).
//
// It also counts the allocations of building, copying and combining sets of
// one id: "ALLOCATIONS single_id_sets <n>" must be 0.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "inpM_OmiSet.h"

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

constexpr int kMembers = 1'000'000;
constexpr int kDenseRange = 10'000'000;

std::vector<int> RandomIds(std::mt19937& rng, int lo, int hi) {
  std::uniform_int_distribution<int> id(lo, hi);
  std::vector<int> ids(kMembers);
  for (int& x : ids) x = id(rng);
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

inpM_OmiSet SetOf(const std::vector<int>& ids) { return inpM_OmiSet(cow_1DArrayList<int>(ids)); }

std::vector<uint64_t> BitsOf(const std::vector<int>& ids) {
  std::vector<uint64_t> bits(kDenseRange / 64 + 1, 0);
  for (int id : ids) bits[static_cast<size_t>(id) / 64] |= uint64_t{1} << (id % 64);
  return bits;
}

struct Data {
  std::vector<int> denseA, denseB, sparseA, sparseB;
  inpM_OmiSet setDenseA, setDenseB, setSparseA, setSparseB;
  std::vector<uint64_t> bitsA, bitsB;

  Data() {
    std::mt19937 rng(5);
    denseA = RandomIds(rng, 0, kDenseRange - 1);
    denseB = RandomIds(rng, 0, kDenseRange - 1);
    sparseA = RandomIds(rng, 0, 2147483646);
    sparseB = RandomIds(rng, 0, 2147483646);
    setDenseA = SetOf(denseA);
    setDenseB = SetOf(denseB);
    setSparseA = SetOf(sparseA);
    setSparseB = SetOf(sparseB);
    bitsA = BitsOf(denseA);
    bitsB = BitsOf(denseB);
  }
};

Data& data() {
  static Data d;
  return d;
}

using Clock = std::chrono::steady_clock;

std::map<std::string, double>& seconds() {
  static std::map<std::string, double> s;
  return s;
}

const std::vector<std::pair<std::string, std::string>> kCases = {
    {"dense_union", "dense_union_baseline"},
    {"dense_intersection", "dense_intersection_baseline"},
    {"sparse_union", "sparse_union_baseline"},
    {"sparse_intersection", "sparse_intersection_baseline"},
};

template <class Body>
void Measure(benchmark::State& state, const std::string& name, Body&& body) {
  const auto start = Clock::now();
  for (auto _ : state) body();
  const double perIteration =
      std::chrono::duration<double>(Clock::now() - start).count() / static_cast<double>(state.iterations());
  seconds()[name] = perIteration;
  for (const auto& [target, baseline] : kCases) {
    if (target == name && seconds().count(baseline))
      state.counters["ratio_vs_baseline"] = perIteration / seconds()[baseline];
  }
}

template <class Combine>
void Bitset(benchmark::State& state, const std::string& name, Combine combine) {
  const Data& d = data();
  Measure(state, name, [&] {
    std::vector<uint64_t> c = d.bitsA;
    for (size_t i = 0; i < c.size(); ++i) c[i] = combine(c[i], d.bitsB[i]);
    benchmark::DoNotOptimize(c.data());
  });
}

void BM_DenseUnionBaseline(benchmark::State& state) {
  Bitset(state, "dense_union_baseline", [](uint64_t a, uint64_t b) { return a | b; });
}
void BM_DenseIntersectionBaseline(benchmark::State& state) {
  Bitset(state, "dense_intersection_baseline", [](uint64_t a, uint64_t b) { return a & b; });
}

void BM_DenseUnion(benchmark::State& state) {
  const Data& d = data();
  Measure(state, "dense_union", [&] {
    inpM_OmiSet c = d.setDenseA;
    c += d.setDenseB;
    benchmark::DoNotOptimize(c.Size());
  });
}

void BM_DenseIntersection(benchmark::State& state) {
  const Data& d = data();
  Measure(state, "dense_intersection", [&] {
    inpM_OmiSet c = d.setDenseA;
    c &= d.setDenseB;
    benchmark::DoNotOptimize(c.Size());
  });
}

void BM_SparseUnionBaseline(benchmark::State& state) {
  const Data& d = data();
  Measure(state, "sparse_union_baseline", [&] {
    std::vector<int> a = d.sparseA;
    std::vector<int> c;
    c.reserve(a.size() + d.sparseB.size());
    std::set_union(a.begin(), a.end(), d.sparseB.begin(), d.sparseB.end(), std::back_inserter(c));
    benchmark::DoNotOptimize(c.data());
  });
}

void BM_SparseIntersectionBaseline(benchmark::State& state) {
  const Data& d = data();
  Measure(state, "sparse_intersection_baseline", [&] {
    std::vector<int> a = d.sparseA;
    std::vector<int> c;
    c.reserve(std::min(a.size(), d.sparseB.size()));
    std::set_intersection(a.begin(), a.end(), d.sparseB.begin(), d.sparseB.end(), std::back_inserter(c));
    benchmark::DoNotOptimize(c.data());
  });
}

void BM_SparseUnion(benchmark::State& state) {
  const Data& d = data();
  Measure(state, "sparse_union", [&] {
    inpM_OmiSet c = d.setSparseA;
    c += d.setSparseB;
    benchmark::DoNotOptimize(c.Size());
  });
}

void BM_SparseIntersection(benchmark::State& state) {
  const Data& d = data();
  Measure(state, "sparse_intersection", [&] {
    inpM_OmiSet c = d.setSparseA;
    c &= d.setSparseB;
    benchmark::DoNotOptimize(c.Size());
  });
}

// Sets of one id in every way the library makes and combines them.
long SingleIdSetAllocations() {
  const long before = g_allocations;
  for (int id = 0; id < 1000; ++id) {
    inpM_OmiSet s;
    s.Insert(id);
    inpM_OmiSet copy(s);
    inpM_OmiSet fromList(cow_1DArrayList<int>{});
    fromList += copy;
    fromList &= s;
    inpM_OmiSet assigned;
    assigned = fromList;
    benchmark::DoNotOptimize(assigned.IsMember(id));
  }
  return g_allocations - before;
}

BENCHMARK(BM_DenseUnionBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DenseUnion)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DenseIntersectionBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DenseIntersection)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SparseUnionBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SparseUnion)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SparseIntersectionBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SparseIntersection)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const auto& [target, baseline] : kCases) {
    if (seconds().count(target) && seconds().count(baseline))
      std::printf("RATIO %s %.3f\n", target.c_str(), seconds()[target] / seconds()[baseline]);
  }
  std::printf("ALLOCATIONS single_id_sets %ld\n", SingleIdSetAllocations());
  return 0;
}
