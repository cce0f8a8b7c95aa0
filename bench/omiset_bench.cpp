// Union and intersection of inpM_OmiSet, each against a baseline measured in
// the same run:
//   dense: two sets of 1M ids out of 10M   vs  word-wise OR / AND over std::vector<uint64_t> bitsets
//          (also the union in place, without the copy)
//   sparse: two sets of 1M ids spread over the 31-bit range
//                                          vs  std::set_union / std::set_intersection of sorted vectors
// Each side copies its left operand and combines the copy with the right one,
// except in the in-place case. Each iteration runs the baseline and then the
// library's code, and the best round of each counts. Every case reports the
// speedup, the baseline's time over the library's (targets in
// bench/targets.txt).
//
// It also counts the allocations of building, copying and combining sets of
// one id: "ALLOCATIONS single_id_sets <n>" must be 0.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <iterator>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "inpM_OmiSet.h"

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

template <class Combine>
auto Bitset(Combine combine) {
  return [combine] {
    const Data& d = data();
    std::vector<uint64_t> c = d.bitsA;
    for (size_t i = 0; i < c.size(); ++i) c[i] = combine(c[i], d.bitsB[i]);
    benchmark::DoNotOptimize(c.data());
  };
}

template <class Combine>
auto Sorted(const std::vector<int>& a, const std::vector<int>& b, Combine combine) {
  return [&a, &b, combine] {
    std::vector<int> left = a;
    std::vector<int> c;
    c.reserve(left.size() + b.size());
    combine(left.begin(), left.end(), b.begin(), b.end(), std::back_inserter(c));
    benchmark::DoNotOptimize(c.data());
  };
}

auto Union(const inpM_OmiSet& a, const inpM_OmiSet& b) {
  return [&a, &b] {
    inpM_OmiSet c = a;
    c += b;
    benchmark::DoNotOptimize(c.Size());
  };
}

auto Intersection(const inpM_OmiSet& a, const inpM_OmiSet& b) {
  return [&a, &b] {
    inpM_OmiSet c = a;
    c &= b;
    benchmark::DoNotOptimize(c.Size());
  };
}

using It = std::vector<int>::iterator;
using Out = std::back_insert_iterator<std::vector<int>>;
using CIt = std::vector<int>::const_iterator;

void BM_DenseUnion(benchmark::State& state) {
  const Data& d = data();
  Pair(state, "dense_union_vs_bitset", Bitset([](uint64_t a, uint64_t b) { return a | b; }),
       Union(d.setDenseA, d.setDenseB));
}

void BM_DenseIntersection(benchmark::State& state) {
  const Data& d = data();
  Pair(state, "dense_intersection_vs_bitset", Bitset([](uint64_t a, uint64_t b) { return a & b; }),
       Intersection(d.setDenseA, d.setDenseB));
}

// In place, without the copy: a union repeated does the same work each time.
void BM_DenseUnionInPlace(benchmark::State& state) {
  const Data& d = data();
  std::vector<uint64_t> bits = d.bitsA;
  inpM_OmiSet set = d.setDenseA;
  Pair(
      state, "dense_union_in_place_vs_bitset",
      [&] {
        for (size_t i = 0; i < bits.size(); ++i) bits[i] |= d.bitsB[i];
        benchmark::DoNotOptimize(bits.data());
      },
      [&] {
        set += d.setDenseB;
        benchmark::DoNotOptimize(set.Size());
      });
}

void BM_SparseUnion(benchmark::State& state) {
  const Data& d = data();
  Pair(state, "sparse_union_vs_sorted_vectors", Sorted(d.sparseA, d.sparseB, std::set_union<It, CIt, Out>),
       Union(d.setSparseA, d.setSparseB));
}

void BM_SparseIntersection(benchmark::State& state) {
  const Data& d = data();
  Pair(state, "sparse_intersection_vs_sorted_vectors",
       Sorted(d.sparseA, d.sparseB, std::set_intersection<It, CIt, Out>), Intersection(d.setSparseA, d.setSparseB));
}

// Sets of one id in every way the library makes and combines them.
long SingleIdSetAllocations() {
  const long before = Allocations();
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
  return Allocations() - before;
}

const BenchSteps kSteps(Nothing, [] { ReportAllocations("single_id_sets", SingleIdSetAllocations()); });

BENCHMARK(BM_DenseUnion)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DenseIntersection)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DenseUnionInPlace)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SparseUnion)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SparseIntersection)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
