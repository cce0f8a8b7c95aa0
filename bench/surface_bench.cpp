// Surfaces against plain baselines measured in the same run.
//
// - Union and intersection of element-face surfaces (1M elements on 6 face
//   labels) against the same operations on plain bitsets.
// - Renumbering an element-face surface against inpM_IdMap::CleanupAndRenumber
//   of the same ids, and a node-area surface of 1M nodes against renumbering
//   its node ids alone.
// - Writing a surface map of 1M facets against std::to_chars into a buffer
//   plus one fwrite, and reading it against a bare std::from_chars loop over
//   the same bytes in memory.
// Every case reports the speedup, the baseline's time over the library's
// (targets in bench/targets.txt).
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "inpM_IdMap.h"
#include "inpM_SurfaceMap.h"
#include "mem.h"

namespace {

constexpr int kElements = 1000000;
constexpr int kFaces = 6;
const char* const kLabels[kFaces] = {"S1", "S2", "S3", "S4", "S5", "S6"};

// Element e carries face (e % 6) in surface A; surface B holds the elements
// whose e / 7 is even, on face (e + e / 7) % 6, so both stay dense and their
// intersection is about half of A.
int FaceOfA(int e) { return e % kFaces; }
bool InB(int e) { return (e / 7) % 2 == 0; }
int FaceOfB(int e) { return (e + e / 7) % kFaces; }

inpM_ElementFaceIdSurface MakeSurface(bool b) {
  std::vector<int> ids[kFaces];
  for (int e = 1; e <= kElements; ++e) {
    if (b && !InB(e)) continue;
    ids[b ? FaceOfB(e) : FaceOfA(e)].push_back(e);
  }
  inpM_ElementFaceIdSurface::FaceMap faces;
  for (int f = 0; f < kFaces; ++f) faces.Insert(kLabels[f], cow_1DArrayList<int>(std::move(ids[f])));
  return inpM_ElementFaceIdSurface(faces);
}

using Bitset = std::vector<uint64_t>;

std::vector<Bitset> MakeBitsets(bool b) {
  std::vector<Bitset> sets(kFaces, Bitset(kElements / 64 + 1));
  for (int e = 1; e <= kElements; ++e) {
    if (b && !InB(e)) continue;
    sets[b ? FaceOfB(e) : FaceOfA(e)][e >> 6] |= uint64_t{1} << (e & 63);
  }
  return sets;
}

const inpM_ElementFaceIdSurface& SurfaceA() {
  static const inpM_ElementFaceIdSurface a = MakeSurface(false);
  return a;
}
const inpM_ElementFaceIdSurface& SurfaceB() {
  static const inpM_ElementFaceIdSurface b = MakeSurface(true);
  return b;
}

// Local id e -> global id e + 5000000, over the 1M elements.
const inpM_IdMap& ElementIds() {
  static const inpM_IdMap map = [] {
    inpM_IdMap m;
    for (int e = 1; e <= kElements; ++e) m.Insert(e, e + 5000000);
    return m;
  }();
  return map;
}

// ---------------------------------------------------------------------------
// Union and intersection: every run after the first does the same work, as
// the results stay what they became.

void BM_Union(benchmark::State& state) {
  std::vector<Bitset> bitsA = MakeBitsets(false);
  const std::vector<Bitset> bitsB = MakeBitsets(true);
  inpM_ElementFaceIdSurface a = SurfaceA();
  a.Add(SurfaceB());  // detached from SurfaceA once, outside the timing
  Pair(
      state, "face_union_vs_bitset", Nothing,
      [&] {
        for (int f = 0; f < kFaces; ++f)
          for (size_t w = 0; w < bitsA[f].size(); ++w) bitsA[f][w] |= bitsB[f][w];
        benchmark::DoNotOptimize(bitsA.data());
      },
      Nothing,
      [&] {
        a.Add(static_cast<const inpM_PartInstanceSurface&>(SurfaceB()));
        benchmark::DoNotOptimize(&a);
      }, Rounds::kTotal);
}

void BM_Intersection(benchmark::State& state) {
  std::vector<Bitset> bitsA = MakeBitsets(false);
  const std::vector<Bitset> bitsB = MakeBitsets(true);
  inpM_ElementFaceIdSurface a = SurfaceA();
  a.Intersection(SurfaceB());
  Pair(
      state, "face_intersection_vs_bitset", Nothing,
      [&] {
        for (int f = 0; f < kFaces; ++f)
          for (size_t w = 0; w < bitsA[f].size(); ++w) bitsA[f][w] &= bitsB[f][w];
        benchmark::DoNotOptimize(bitsA.data());
      },
      Nothing,
      [&] {
        a.Intersection(static_cast<const inpM_PartInstanceSurface&>(SurfaceB()));
        benchmark::DoNotOptimize(&a);
      }, Rounds::kTotal);
}

// ---------------------------------------------------------------------------
// Renumbering

void BM_FaceSurfaceRenumber(benchmark::State& state) {
  std::vector<cow_1DArrayList<int>> lists;
  for (const auto& [face, ids] : SurfaceA().ConstGetFaceIdElementIdsMap()) lists.push_back(ids);
  inpM_ElementFaceIdSurface s;
  Pair(
      state, "face_renumber_vs_idmap_cleanup", Nothing,
      [&] {
        for (const cow_1DArrayList<int>& ids : lists)
          benchmark::DoNotOptimize(ElementIds().CleanupAndRenumber(ids, false));
      },
      [&] { s = SurfaceA(); },
      [&] {
        s.Renumber(ElementIds(), false);
        benchmark::DoNotOptimize(&s);
      }, Rounds::kTotal);
}

const inpM_NodeAreaSurface& NodeSurface() {
  static const inpM_NodeAreaSurface s = [] {
    inpM_NodeAreaList list;
    for (int n = 1; n <= kElements; ++n) list.Insert(n, 0.25 * n);
    return inpM_NodeAreaSurface(list);
  }();
  return s;
}

void BM_NodeSurfaceRenumber(benchmark::State& state) {
  std::vector<int> nodes;
  NodeSurface().ConstGetNodes().ForEach([&nodes](int node, double) { nodes.push_back(node); });
  const cow_1DArrayList<int> list(std::move(nodes));
  inpM_NodeAreaSurface s;
  Pair(
      state, "node_renumber_vs_idmap_cleanup", Nothing,
      [&] { benchmark::DoNotOptimize(ElementIds().CleanupAndRenumber(list, false)); }, [&] { s = NodeSurface(); },
      [&] {
        s.Renumber(ElementIds(), false);
        benchmark::DoNotOptimize(&s);
      }, Rounds::kTotal);
}

// ---------------------------------------------------------------------------
// Stored form of a surface map of 1M facets: four instances with one
// element-face surface each, and one assembly surface over all four.

const inpM_SurfaceMap& BigMap() {
  static const inpM_SurfaceMap map = [] {
    inpM_SurfaceMap m;
    inpM_AssemblyInstanceSurface assembly;
    constexpr int kInstances = 4;
    constexpr int kPerInstance = kElements / kInstances / 2;
    for (int i = 0; i < kInstances; ++i) {
      inpM_ElementFaceIdSurface::FaceMap own;
      inpM_ElementFaceIdSurface::FaceMap shared;
      std::vector<int> ids[kFaces];
      for (int e = 1; e <= kPerInstance; ++e) ids[e % kFaces].push_back(e * 3);
      for (int f = 0; f < kFaces; ++f) own.Insert(kLabels[f], cow_1DArrayList<int>(ids[f]));
      for (int f = 0; f < kFaces; ++f) shared.Insert(kLabels[(f + 1) % kFaces], cow_1DArrayList<int>(ids[f]));
      const cow_String instance = "PART-" + std::to_string(i + 1);
      m.InsertPartInstanceSurface(instance, "SURF", inpM_ElementFaceIdSurface(own));
      assembly.Add(instance, shared);
    }
    m.InsertAssemblyInstanceSurface("ASURF", assembly);
    return m;
  }();
  return map;
}

const std::string& BigText() {
  static const std::string text = [] {
    aio_ostringstream out;
    BigMap().Print(out);
    return out.str();
  }();
  return text;
}

// The ids of the stored form, in file order, for the writing baseline.
const std::vector<int>& BigIds() {
  static const std::vector<int> ids = [] {
    std::vector<int> all;
    const std::string& text = BigText();
    for (const char* p = text.data(), *end = p + text.size(); p < end;) {
      int v = 0;
      const auto [next, ec] = std::from_chars(p, end, v);
      if (ec == std::errc()) {
        all.push_back(v);
        p = next;
      } else {
        ++p;
      }
    }
    return all;
  }();
  return ids;
}

void BM_SurfaceMapWrite(benchmark::State& state) {
  std::vector<char> buffer(BigText().size() + 64);
  FILE* sink = std::fopen("/dev/null", "wb");
  aio_ofstream out("/dev/null", false);
  Pair(
      state, "map_write_vs_to_chars", Nothing,
      [&] {
        char* p = buffer.data();
        char* const end = p + buffer.size();
        for (int id : BigIds()) {
          p = std::to_chars(p, end, id).ptr;
          *p++ = ' ';
        }
        std::fwrite(buffer.data(), 1, static_cast<size_t>(p - buffer.data()), sink);
      },
      Nothing,
      [&] {
        BigMap().Print(out);
        out.flush();
      }, Rounds::kTotal);
  out.close();
  std::fclose(sink);
}

void BM_SurfaceMapRead(benchmark::State& state) {
  const std::string& text = BigText();
  std::unique_ptr<aio_istringstream> in;
  Pair(
      state, "map_read_vs_from_chars", Nothing,
      [&] { benchmark::DoNotOptimize(FromCharsSum(text.data(), text.data() + text.size())); },
      [&] { in = std::make_unique<aio_istringstream>(text); },
      [&] {
        const inpM_SurfaceMap map(*in);
        benchmark::DoNotOptimize(&map);
      }, Rounds::kTotal);
}

// Freed memory stays with the process, as it does in a long-running
// pre-processor: otherwise the allocator hands large blocks back to the
// system after each run, and baseline and target are charged page faults
// by how their frees happen to leave the top of the heap, not by their work.
const BenchSteps kSteps([] {
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
});

BENCHMARK(BM_Union)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_Intersection)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_FaceSurfaceRenumber)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_NodeSurfaceRenumber)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SurfaceMapWrite)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SurfaceMapRead)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
