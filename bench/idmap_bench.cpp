// Id maps at the size of a large model (10M ids), each case against a
// baseline measured in the same run:
//   Renumber, array and list forms   vs  a loop over a plain std::vector<int> index
//   inpM_InstanceMaps from an IdMap  vs  filling two plain std::vector<int> indexes
//   writing the stored form          vs  std::to_chars into a buffer + one fwrite
//   reading the stored form          vs  std::from_chars over the same bytes in memory
// Each iteration runs the baseline and the library's code one after the
// other, and the best of three rounds of each counts. Every case reports the
// speedup, the baseline's time over the library's (targets in
// bench/targets.txt).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "inpM_IdMap.h"

namespace {

constexpr int kIds = 10'000'000;
constexpr int kRuns = 4;  // global ids come in a few long runs, as instances give them

struct Model {
  std::vector<int> globalOf;  // index: local id (1..kIds), value: global id
  std::vector<int> localOf;   // index: global id, value: local id
  inpM_IdMap map;
  std::vector<int> toRenumber;  // kIds local ids in random order
  std::string stored;           // the stored form of the table pair of map
  std::string dir;
  std::string path;

  Model() : globalOf(kIds + 1, 0), localOf(kIds + 1, 0) {
    // Local ids 1..kIds; the global ids are kRuns contiguous runs laid out in
    // shuffled order, so global order differs from local order between runs.
    std::mt19937 rng(11);
    std::vector<int> runs(kRuns);
    std::iota(runs.begin(), runs.end(), 0);
    std::shuffle(runs.begin(), runs.end(), rng);
    const int runLength = kIds / kRuns;
    for (int local = 1; local <= kIds; ++local) {
      const int run = (local - 1) / runLength;
      globalOf[static_cast<size_t>(local)] = 1 + runs[static_cast<size_t>(run)] * runLength + (local - 1) % runLength;
      map.Insert(local, globalOf[static_cast<size_t>(local)]);
      localOf[static_cast<size_t>(globalOf[static_cast<size_t>(local)])] = local;
    }
    std::uniform_int_distribution<int> id(1, kIds);
    toRenumber.resize(kIds);
    for (int& x : toRenumber) x = id(rng);

    char tmpl[] = "/tmp/idmap_bench.XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) std::abort();
    dir = tmpl;
    path = dir + "/maps.txt";
    aio_ofstream out(path.c_str(), false);
    inpM_InstanceMaps(map).Print(out);
    if (!out.close()) std::abort();
    stored.resize(std::filesystem::file_size(path));
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr || std::fread(stored.data(), 1, stored.size(), f) != stored.size()) std::abort();
    std::fclose(f);
  }
  ~Model() { std::filesystem::remove_all(dir); }
};

Model& model() {
  static Model m;
  return m;
}

void BM_RenumberArray(benchmark::State& state) {
  const Model& m = model();
  std::vector<int> ids;
  auto fresh = [&] { ids = m.toRenumber; };
  Pair(
      state, "renumber_array_vs_vector", fresh,
      [&] {
        for (int& id : ids) id = m.globalOf[static_cast<size_t>(id)];
        benchmark::DoNotOptimize(ids.data());
      },
      fresh,
      [&] {
        m.map.Renumber(ids.data(), kIds);
        benchmark::DoNotOptimize(ids.data());
      });
  if (ids.front() != m.globalOf[static_cast<size_t>(m.toRenumber.front())]) state.SkipWithError("wrong result");
}

void BM_RenumberList(benchmark::State& state) {
  const Model& m = model();
  const cow_1DArrayList<int> list(m.toRenumber);
  Pair(
      state, "renumber_list_vs_vector", Nothing,
      [&] {
        std::vector<int> out;
        out.reserve(m.toRenumber.size());
        for (int id : m.toRenumber) out.push_back(m.globalOf[static_cast<size_t>(id)]);
        benchmark::DoNotOptimize(out.data());
      },
      Nothing,
      [&] {
        cow_1DArrayList<int> out = m.map.Renumber(list, false);
        benchmark::DoNotOptimize(out.begin());
      });
}

void BM_BuildInstanceMaps(benchmark::State& state) {
  const Model& m = model();
  Pair(
      state, "build_instance_maps_vs_vectors", Nothing,
      [&] {
        std::vector<int> localToGlobal(kIds + 1, 0);
        std::vector<int> globalToLocal(kIds + 1, 0);
        for (int local = 1; local <= kIds; ++local) {
          const int global = m.globalOf[static_cast<size_t>(local)];
          localToGlobal[static_cast<size_t>(local)] = global;
          globalToLocal[static_cast<size_t>(global)] = local;
        }
        benchmark::DoNotOptimize(localToGlobal.data());
        benchmark::DoNotOptimize(globalToLocal.data());
      },
      Nothing,
      [&] {
        const inpM_InstanceMaps maps(m.map);
        benchmark::DoNotOptimize(maps.globalToLocal.ConstPtr());
      });
}

void BM_WriteStoredForm(benchmark::State& state) {
  const Model& m = model();
  const inpM_InstanceMaps maps(m.map);
  const std::string baselineOut = m.dir + "/baseline.txt";
  const std::string out = m.dir + "/maps_out.txt";
  std::vector<char> buffer(m.stored.size() + 64);
  // Each write starts from no file, so that neither side pays for dropping
  // the pages of the file the round before wrote.
  Pair(
      state, "write_stored_form_vs_to_chars", [&] { std::filesystem::remove(baselineOut); },
      [&] {
        // The same bytes: the count, the pairs by global id, the pairs by
        // local id.
        char* p = buffer.data();
        char* const end = p + buffer.size();
        p = std::to_chars(p, end, kIds).ptr;
        *p++ = '\n';
        for (int global = 1; global <= kIds; ++global) {
          p = std::to_chars(p, end, global).ptr;
          *p++ = ' ';
          p = std::to_chars(p, end, m.localOf[static_cast<size_t>(global)]).ptr;
          *p++ = '\n';
        }
        for (int local = 1; local <= kIds; ++local) {
          p = std::to_chars(p, end, local).ptr;
          *p++ = ' ';
          p = std::to_chars(p, end, m.globalOf[static_cast<size_t>(local)]).ptr;
          *p++ = '\n';
        }
        FILE* f = std::fopen(baselineOut.c_str(), "wb");
        const size_t n = static_cast<size_t>(p - buffer.data());
        if (f == nullptr || std::fwrite(buffer.data(), 1, n, f) != n) state.SkipWithError("write failed");
        if (f != nullptr) std::fclose(f);
      },
      [&] { std::filesystem::remove(out); },
      [&] {
        aio_ofstream file(out.c_str(), false);
        maps.Print(file);
        if (!file.close()) state.SkipWithError("write failed");
      });
}

void BM_ReadStoredForm(benchmark::State& state) {
  const Model& m = model();
  Pair(
      state, "read_stored_form_vs_from_chars", Nothing,
      [&] { benchmark::DoNotOptimize(FromCharsSum(m.stored.data(), m.stored.data() + m.stored.size())); },
      Nothing,
      [&] {
        aio_ifstream in(m.path.c_str());
        const inpM_InstanceMaps maps(in);
        if (in.fail() || maps.localToGlobal->Size() != kIds) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(maps.globalToLocal.ConstPtr());
      });
}

BENCHMARK(BM_RenumberArray)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenumberList)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildInstanceMaps)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteStoredForm)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadStoredForm)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
