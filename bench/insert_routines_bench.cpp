// The insertion routines and INPM_PRINTMAP through their exported entries.
//   flat insertion: 1M calls of INPM_INSERTNODEORELEM2PARTMAP with jop 3,
//       each adding one new node id to one node set; the mean time of calls
//       1,001-2,000 (early, the baseline) over that of the last 1,000
//       (late), a flatness that is 1 when a call costs the same at any size
//                                                              target >= 0.5
//   printed maps: INPM_PRINTMAP of a model of 10M nodes and 10M elements
//       against the report code path of `inpm report` (the title, then the
//       part map's PrintModuleData into a file stream) on the same part map,
//       both into /dev/null                                     target >= 0.83
// Ratios are baseline time over the routine's time (higher is better);
// times are the thread's processor time, each the best of its rounds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "inpM_ModelGenerator.h"
#include "inpM_Routines.h"
#include "inpM_SolverPartMap.h"
#include "mem.h"
#include "utl.h"

namespace {

constexpr int kCalls = 1000000;
constexpr int kBlock = 1000;

void Write(const inpM_PartMap& map, const std::string& path) {
  aio_ofstream out(path.c_str(), false);
  map.Print(out);
  if (!out.close()) std::abort();
}

// The thread's part maps closed (the job's written back) and forgotten, with
// the cleared sets and locked surfaces.
void Forget() { thr_ThreadSingleton<inpM_SolverPartMap>::DestroyInstance(); }

// Each round starts from a small job part file and a fresh solver part map.
void BM_FlatInsertion(benchmark::State& state) {
  const std::string dir = TempDir("insert_routines_bench");
  inpM_ModelShape shape;
  shape.instances = 2;
  shape.setFraction = 0;
  const inpM_PartMap small = inpM_GenerateModel(shape);
  utl_SetJob(dir, "job");
  const int first = 1000000;
  const int jop = 3, one = 1, jtyp = 0;
  const char set[] = "FLAT";
  const auto calls = [&](int from, int to) {
    for (int id = first + from; id < first + to; ++id)
      INPM_INSERTNODEORELEM2PARTMAP(&jop, &id, &one, &jtyp, &id, &jtyp, set, sizeof set - 1);
  };
  double early = 1e30, late = 1e30;
  for (auto _ : state) {
    Write(small, dir + "/job.prt");
    calls(0, kBlock);
    early = std::min(early, Timed([&] { calls(kBlock, 2 * kBlock); }));
    calls(2 * kBlock, kCalls - kBlock);
    const double t = Timed([&] { calls(kCalls - kBlock, kCalls); });
    late = std::min(late, t);
    state.SetIterationTime(t);
    Forget();
  }
  state.counters["early_ns_per_call"] = 1e9 * early / kBlock;
  state.counters["late_ns_per_call"] = 1e9 * late / kBlock;
  ReportSpeedup("insert_jop3_late_vs_early", early, late);
  utl_SetJob("", "");
  std::filesystem::remove_all(dir);
}

// `inpm report`'s title and report, as the tool writes them.
void ReportPath(const inpM_PartMap& map) {
  aio_ofstream out("/dev/null", false);
  out.print("\n\n");
  out.width(30);
  out.setf(0x2000, 0);
  out.print(" ").print("E L E M E N T,   N O D E,   A N D   S U R F A C E   M A P S").print("\n\n\n");
  map.PrintModuleData(out, true, true, true, true, false);
  if (!out.close()) std::abort();
}

void BM_PrintMap(benchmark::State& state) {
  const std::string dir = TempDir("insert_routines_bench");
  inpM_ModelShape shape;
  shape.seed = 2024;
  shape.instances = 1000;
  shape.nodesPerInstance = 10000;
  shape.elementsPerInstance = 10000;
  shape.setFraction = 0.001;
  Write(inpM_GenerateModel(shape), dir + "/job.prt");
  aio_ifstream in((dir + "/job.prt").c_str());
  const inpM_PartMap map(in);
  utl_SetJob(dir, "job");
  const int node = 1, jtyp = 0;
  char instance[80];
  int local = 0, error = 0;
  GETPARTINFO(&node, &jtyp, instance, &local, &error, sizeof instance);  // reads the job's part file
  const char name[] = "/dev/null";
  double base = 1e30, routine = 1e30;
  for (auto _ : state) {
    base = std::min(base, Timed([&] { ReportPath(map); }));
    const double t = Timed([&] { INPM_PRINTMAP(name, sizeof name - 1); });
    routine = std::min(routine, t);
    state.SetIterationTime(t);
  }
  state.counters["report_s"] = base;
  state.counters["printmap_s"] = routine;
  ReportSpeedup("printmap_vs_inpm_report", base, routine);
  // The job's part map is dropped without being written back: the file is
  // removed with its folder.
  thr_ThreadSingleton<inpM_SolverPartMap>::Instance().CloseNoSave();
  Forget();
  utl_SetJob("", "");
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_FlatInsertion)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintMap)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
