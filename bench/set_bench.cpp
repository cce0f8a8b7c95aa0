// Sets and set maps, each case against a baseline measured in the same run:
//   union of two sorted sets (1M ids out of 10M at the top level and in one
//     instance entry)                vs  word-wise OR of plain bitsets
//   Renumber of a sorted set of 1M ids vs  inpM_IdMap::Renumber of the same list
//   copy a set map of 10,000 sets and change one set
//                                    vs  copying and changing that one set alone
//                                    vs  copying all 10,000 sets (sets of 100 and 1000 ids)
//   writing a set map of 1M ids      vs  std::to_chars into a buffer + one fwrite
//   reading it back                  vs  std::from_chars over the same bytes
// Each iteration runs the baseline and the case one after the other. Every
// case reports the speedup, the baseline's time over the library's (targets
// in bench/targets.txt).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "inpM_IdMap.h"
#include "inpM_SetMap.h"

namespace {

constexpr int kRange = 10'000'000;
constexpr int kSetIds = 1'000'000;

std::vector<int> RandomIds(int n, int range, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<char> taken(static_cast<size_t>(range) + 1, 0);
  std::vector<int> ids;
  ids.reserve(static_cast<size_t>(n));
  std::uniform_int_distribution<int> pick(1, range);
  while (static_cast<int>(ids.size()) < n) {
    const int id = pick(rng);
    if (!taken[static_cast<size_t>(id)]) {
      taken[static_cast<size_t>(id)] = 1;
      ids.push_back(id);
    }
  }
  return ids;
}

cow_1DArrayList<int> L(std::vector<int> v) { return cow_1DArrayList<int>(std::move(v)); }

// ---------------------------------------------------------------------------
// Union: both sets hold 1M ids out of 10M at the top level and 1M in the entry
// of one instance; the baseline ORs plain bitsets of the same ids.

struct UnionData {
  inpM_SortedSet a, b;
  std::vector<uint64_t> aTop, aEntry, bTop, bEntry;
  UnionData() {
    const std::vector<int> ids[4] = {RandomIds(kSetIds, kRange, 1), RandomIds(kSetIds, kRange, 2),
                                     RandomIds(kSetIds, kRange, 3), RandomIds(kSetIds, kRange, 4)};
    a = inpM_SortedSet(L(ids[0]));
    a.Add("I", L(ids[1]));
    b = inpM_SortedSet(L(ids[2]));
    b.Add("I", L(ids[3]));
    std::vector<uint64_t>* bits[4] = {&aTop, &aEntry, &bTop, &bEntry};
    for (int k = 0; k < 4; ++k) {
      bits[k]->assign(kRange / 64 + 1, 0);
      for (int id : ids[k]) (*bits[k])[static_cast<size_t>(id) / 64] |= uint64_t{1} << (id % 64);
    }
  }
};

void BM_Union(benchmark::State& state) {
  static UnionData d;
  // Each side is united into a fresh copy of its first operand.
  inpM_SortedSet a;
  std::vector<uint64_t> top, entry;
  Pair(
      state, "union_vs_bitset",
      [&] {
        top = d.aTop;
        entry = d.aEntry;
      },
      [&] {
        for (size_t i = 0; i < top.size(); ++i) top[i] |= d.bTop[i];
        for (size_t i = 0; i < entry.size(); ++i) entry[i] |= d.bEntry[i];
        benchmark::DoNotOptimize(top.data());
        benchmark::DoNotOptimize(entry.data());
      },
      [&] {
        // A private copy of every level, as the bitsets of the baseline are.
        a = d.a;
        a.Add("I", cow_1DArrayList<int>());
      },
      [&] {
        a.Add(d.b);
        benchmark::DoNotOptimize(&a);
      }, Rounds::kTotal);
}

// ---------------------------------------------------------------------------
// Renumber: 1M local ids of 1..2M; the id map sends 1..2M to 2M+1..4M and
// back, so that renumbering the same set again does the same work.

struct RenumberData {
  inpM_IdMap map;
  cow_1DArrayList<int> list;
  inpM_SortedSet set;
  RenumberData() {
    constexpr int half = 2 * kSetIds;
    for (int local = 1; local <= 2 * half; ++local) map.Insert(local, local <= half ? local + half : local - half);
    std::vector<int> ids;
    for (int id = 1; id <= half; id += 2) ids.push_back(id);
    list = L(ids);
    set = inpM_SortedSet(list);
  }
};

void BM_Renumber(benchmark::State& state) {
  static RenumberData d;
  Pair(
      state, "renumber_vs_idmap_list", Nothing, [&] { benchmark::DoNotOptimize(d.map.Renumber(d.list, false)); },
      Nothing,
      [&] {
        d.set.Renumber(d.map, false);
        benchmark::DoNotOptimize(&d.set);
      }, Rounds::kTotal);
}

// ---------------------------------------------------------------------------
// Copy on write: a set map of 10,000 sets of `ids` ids each. The case copies
// the map and changes one set of the copy; one baseline copies and changes
// that one set alone, the other copies all 10,000 sets and changes one.

struct CowData {
  inpM_SetMap map;
  inpM_SortedSet change{L({kRange})};
  cow_String name = "S05000";
  explicit CowData(int ids) {
    for (int i = 0; i < 10'000; ++i) {
      std::vector<int> v;
      for (int k = 0; k < ids; ++k) v.push_back(i * ids * 3 + k * 3 + 1);
      char buf[16];
      std::snprintf(buf, sizeof buf, "S%05d", i);
      map.InsertSet(buf, inpM_SortedSet(L(v)));
    }
  }
};

void CopyAndChangeOne(const CowData& d) {
  inpM_SetMap copy = d.map;
  copy.MergeSet(d.name, d.change);
  benchmark::DoNotOptimize(&copy);
}

void BM_CowVsOneSet(benchmark::State& state) {
  static CowData d(static_cast<int>(state.range(0)));
  Pair(
      state, "cow_" + std::to_string(state.range(0)) + "_ids_vs_one_set", Nothing,
      [&] {
        inpM_SetHandle one = d.map.ConstGetSets().ConstGet(d.name);
        one.Get().Add(d.change);
        benchmark::DoNotOptimize(&one);
      },
      Nothing, [&] { CopyAndChangeOne(d); }, Rounds::kTotal);
}

void BM_CowVsDeepCopy(benchmark::State& state) {
  static CowData d(static_cast<int>(state.range(0)));
  Pair(
      state, "cow_" + std::to_string(state.range(0)) + "_ids_vs_deep_copy", Nothing,
      [&] {
        inpM_SetMap deep;
        for (const auto& [name, set] : d.map.ConstGetSets()) deep.InsertSet(name, *set);
        deep.MergeSet(d.name, d.change);
        benchmark::DoNotOptimize(&deep);
      },
      Nothing, [&] { CopyAndChangeOne(d); }, Rounds::kTotal);
}

// ---------------------------------------------------------------------------
// Writing and reading: 90 sorted assembly sets and one instance with 5 sorted
// and 5 unsorted sets, 10,000 ids each, 1M ids in all.

struct IoData {
  inpM_SetMap map;
  std::vector<std::vector<int>> lines;  // the id lines of the file, in file order
  std::string stored;
  IoData() {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> gap(1, 20);
    auto ids = [&] {
      std::vector<int> v;
      int id = 0;
      for (int k = 0; k < 10'000; ++k) v.push_back(id += gap(rng));
      return v;
    };
    for (int i = 0; i < 90; ++i)
      map.InsertSet(cow_String("A") + cow_String(std::to_string(100 + i)), inpM_SortedSet(L(ids())));
    for (int i = 0; i < 10; ++i) {
      std::vector<int> v = ids();
      const cow_String name = cow_String("N") + cow_String(std::to_string(i));
      if (i % 2) {
        std::shuffle(v.begin(), v.end(), rng);
        map.InsertNestedSet("PART-1", name, inpM_UnsortedSet(L(v)));
      } else {
        map.InsertNestedSet("PART-1", name, inpM_SortedSet(L(v)));
      }
    }
    aio_ostringstream out;
    map.Print(out);
    stored = out.str();
    for (const auto& [name, set] : map.ConstGetSets()) lines.push_back(set->ConstGetIds().ConstVector());
    for (const auto& [name, set] : map.ConstGetNestedSetMap("PART-1").ConstGetSets())
      lines.push_back(set->ConstGetIds().ConstVector());
  }
};

IoData& ioData() {
  static IoData d;
  return d;
}

void BM_Write(benchmark::State& state) {
  IoData& d = ioData();
  std::string buf(d.stored.size() + 64, '\0');
  Pair(
      state, "write_vs_to_chars", Nothing,
      [&] {
        char* p = buf.data();
        char* const end = buf.data() + buf.size();
        for (const std::vector<int>& line : d.lines) {
          for (int id : line) {
            p = std::to_chars(p, end, id).ptr;
            *p++ = ' ';
          }
          *p++ = '\n';
        }
        FILE* f = std::fopen("/dev/null", "wb");
        std::fwrite(buf.data(), 1, static_cast<size_t>(p - buf.data()), f);
        std::fclose(f);
      },
      Nothing,
      [&] {
        aio_ofstream out("/dev/null", false);
        d.map.Print(out);
        out.close();
      }, Rounds::kTotal);
}

void BM_Read(benchmark::State& state) {
  IoData& d = ioData();
  std::unique_ptr<aio_istringstream> in;
  Pair(
      state, "read_vs_from_chars", Nothing,
      [&] { benchmark::DoNotOptimize(FromCharsSum(d.stored.data(), d.stored.data() + d.stored.size())); },
      [&] { in = std::make_unique<aio_istringstream>(d.stored); },
      [&] {
        inpM_SetMap back(*in);
        benchmark::DoNotOptimize(&back);
      }, Rounds::kTotal);
}

// Fixed iteration counts keep the whole run well under a minute on a shared
// two-core machine.
BENCHMARK(BM_Union)->Iterations(300)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Renumber)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CowVsOneSet)->Arg(100)->Iterations(200)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CowVsDeepCopy)->Arg(100)->Iterations(40)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CowVsDeepCopy)->Arg(1000)->Iterations(40)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Write)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
