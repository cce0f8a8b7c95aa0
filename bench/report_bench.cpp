// The printed map report of a large model: 1,000 instances, 10M nodes and
// 10M elements, sets and surfaces holding about a tenth of the ids, the whole
// report (assembly section with ids, both id tables) written to a file.
// Against a baseline measured in the same run:
//   every id of the id tables (global and local id of every row of both
//   tables, nodes and elements) formatted by std::to_chars into a buffer and
//   written with fwrite                                       target >= 0.5
// as MB/s of each side's own output: report_MB_per_s_vs_to_chars is the
// speedup per byte written, the baseline's time per byte over the report's,
// that is the report's MB/s over the baseline's. The report's rows are wider
// than the baseline's numbers, so the whole time is given too
// (report_time_vs_to_chars, the baseline's time over the report's). The
// report holds nothing in proportion to the model: the peak of the resident
// set while it is written, over the resident set before, is reported in MB
// (MEMORY report_peak_MB).
//
// Times are the thread's processor time, the best of two rounds; the model is
// built once (about ten seconds), each round writes about 3 GB.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_models.h"
#include "bench_support.h"
#include "inpM_ModelGenerator.h"
#include "inpM_PartMap.h"

namespace {


struct Model {
  std::string dir;
  inpM_PartMap map;

  Model() : dir(TempDir("report_bench")), map(Generate()) {}
  ~Model() { std::filesystem::remove_all(dir); }

  static inpM_PartMap Generate() {
    return inpM_GenerateModel(LargeModelShape());
  }
};

Model& model() {
  static Model m;
  return m;
}

// The baseline: both ids of every pair of every table, each followed by a
// blank or a line end, through one buffer written with fwrite. Returns the
// bytes written.
size_t WriteIds(const inpM_PartMap& map, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  constexpr size_t kBuffer = size_t{1} << 18;
  std::vector<char> buffer(kBuffer + 64);
  char* p = buffer.data();
  size_t total = 0;
  auto pair = [&](int a, int b) {
    p = std::to_chars(p, p + 16, a).ptr;
    *p++ = ' ';
    p = std::to_chars(p, p + 16, b).ptr;
    *p++ = '\n';
    if (static_cast<size_t>(p - buffer.data()) >= kBuffer) {
      total += std::fwrite(buffer.data(), 1, static_cast<size_t>(p - buffer.data()), f);
      p = buffer.data();
    }
  };
  for (const inpM_InstanceIdMaps* maps : {&map.ConstGetNodeMap(), &map.ConstGetElementMap()}) {
    auto level = [&](const inpM_InstanceMaps& tables) {
      if (tables.globalToLocal.HasValue()) tables.globalToLocal->ForEach(pair);
      if (tables.localToGlobal.HasValue()) tables.localToGlobal->ForEach(pair);
    };
    level(maps->assembly);
    for (const auto& [name, tables] : maps->instances) level(tables);
  }
  total += std::fwrite(buffer.data(), 1, static_cast<size_t>(p - buffer.data()), f);
  std::fclose(f);
  return total;
}

void BM_Report(benchmark::State& state) {
  const Model& m = model();
  const std::string baselinePath = m.dir + "/ids.txt";
  const std::string reportPath = m.dir + "/report.txt";
  double baseline = 1e30, report = 1e30;
  size_t baselineBytes = 0, reportBytes = 0, peak = 0;
  for (auto _ : state) {
    baseline = std::min(baseline, Timed([&] { baselineBytes = WriteIds(m.map, baselinePath); }));
    std::filesystem::remove(baselinePath);
    const size_t before = ResidentBytes("VmRSS:");
    ResetPeak();
    const double s = Timed([&] {
      aio_ofstream out(reportPath.c_str(), false);
      m.map.PrintModuleData(out, true, true, true, true, false);
      if (!out.close()) std::abort();
    });
    // The kernel's resident counters lag by a few pages per thread, so the
    // peak may read a little below the size before: no growth.
    const size_t highWater = ResidentBytes("VmHWM:");
    peak = std::max(peak, highWater > before ? highWater - before : 0);
    reportBytes = std::filesystem::file_size(reportPath);
    std::filesystem::remove(reportPath);
    report = std::min(report, s);
    state.SetIterationTime(s);
  }
  const double baselineMBs = static_cast<double>(baselineBytes) / 1e6 / baseline;
  const double reportMBs = static_cast<double>(reportBytes) / 1e6 / report;
  state.counters["baseline_MB"] = static_cast<double>(baselineBytes) / 1e6;
  state.counters["report_MB"] = static_cast<double>(reportBytes) / 1e6;
  state.counters["baseline_MB_per_s"] = baselineMBs;
  state.counters["report_MB_per_s"] = reportMBs;
  state.counters["report_peak_MB"] = static_cast<double>(peak) / 1e6;
  ReportSpeedup("report_MB_per_s_vs_to_chars", baseline / static_cast<double>(baselineBytes),
                report / static_cast<double>(reportBytes));
  ReportSpeedup("report_time_vs_to_chars", baseline, report);
  ReportMemory("report_peak_MB", static_cast<double>(peak) / 1e6);
}

// The model is built before the runs, so that the first round does not pay
// for it.
const BenchSteps kSteps([] {
  const double start = ThreadSeconds();
  model();
  std::printf("model: %d instances, %d nodes and %d elements per instance, built in %.1f s\n", kLargeInstances,
              kLargePerInstance, kLargePerInstance, ThreadSeconds() - start);
});

BENCHMARK(BM_Report)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
