#include "bench_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

#include "kvl_CountingNew.h"

// Every program counts its allocations through the same operator new.
long Allocations() { return kvl_Allocations(); }

namespace {

struct Figure {
  const char* kind;
  std::string name;
  double value;
};

// In the order the figures were first reported.
std::vector<Figure>& Figures() {
  static std::vector<Figure> figures;
  return figures;
}

void Report(const char* kind, const std::string& name, double value) {
  auto& figures = Figures();
  const auto it =
      std::find_if(figures.begin(), figures.end(), [&](const Figure& f) { return f.kind == kind && f.name == name; });
  if (it == figures.end())
    figures.push_back({kind, name, value});
  else
    it->value = value;
}

constexpr const char* kRatio = "RATIO";
constexpr const char* kMemory = "MEMORY";
constexpr const char* kAllocations = "ALLOCATIONS";

void PrintSummary() {
  for (const char* kind : {kRatio, kMemory, kAllocations}) {
    for (const Figure& f : Figures()) {
      if (f.kind != kind) continue;
      if (kind == kAllocations)
        std::printf("%s %s %ld\n", kind, f.name.c_str(), static_cast<long>(f.value));
      else
        std::printf("%s %s %.3f\n", kind, f.name.c_str(), f.value);
    }
  }
}

std::vector<std::pair<std::function<void()>, std::function<void()>>>& Steps() {
  static std::vector<std::pair<std::function<void()>, std::function<void()>>> steps;
  return steps;
}

struct Paired {
  std::vector<NamedPair> pairs;
  BestOf clock = BestOf::kProcessorTime;
};
Paired& PairedRounds() {
  static Paired paired;
  return paired;
}

class BestTimeReporter : public benchmark::ConsoleReporter {
 public:
  explicit BestTimeReporter(BestOf clock)
      : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular), clock_(clock) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      const double total = clock_ == BestOf::kProcessorTime ? run.cpu_accumulated_time : run.real_accumulated_time;
      const double t = total / static_cast<double>(run.iterations);
      auto [it, fresh] = best_.emplace(run.run_name.function_name, t);
      if (!fresh) it->second = std::min(it->second, t);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // A pair whose sides both ran (the command line may filter them).
  void ReportPair(const NamedPair& p) const {
    const auto b = best_.find(p.baseline);
    const auto o = best_.find(p.ours);
    if (b != best_.end() && o != best_.end() && o->second > 0) ReportSpeedup(p.ratio, b->second, o->second);
  }

 private:
  BestOf clock_;
  std::map<std::string, double> best_;
};

}  // namespace

void ReportSpeedup(const std::string& name, double baselineTime, double ourTime) {
  Report(kRatio, name, baselineTime / ourTime);
}
void ReportMemory(const std::string& name, double value) { Report(kMemory, name, value); }
void ReportAllocations(const std::string& name, long count) { Report(kAllocations, name, static_cast<double>(count)); }

size_t ResidentBytes(const char* field, const char* file) {
  std::ifstream status(file);
  std::string key;
  size_t kb = 0;
  while (status >> key) {
    if (key == field) {
      status >> kb;
      return kb * 1024;
    }
    status.ignore(1 << 20, '\n');
  }
  return 0;
}
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

std::string TempDir(const std::string& program) {
  std::string pattern = (std::filesystem::is_directory("/dev/shm") ? "/dev/shm/" : "/tmp/") + program + ".XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

BenchSteps::BenchSteps(std::function<void()> setUp, std::function<void()> finish) {
  Steps().emplace_back(std::move(setUp), std::move(finish));
}

void RunPairsInRounds(std::vector<NamedPair> pairs, int rounds, BestOf clock) {
  for (int round = 0; round < rounds; ++round) {
    for (const NamedPair& p : pairs) {
      for (auto* b : {benchmark::RegisterBenchmark(p.baseline, p.baselineFn),
                      benchmark::RegisterBenchmark(p.ours, p.oursFn)}) {
        if (p.iterations) {
          b->Iterations(p.iterations)->Unit(benchmark::kMillisecond);
        } else {
          b->MinTime(0.05)->Unit(benchmark::kMicrosecond);
        }
      }
    }
  }
  PairedRounds() = {std::move(pairs), clock};
}

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  for (const auto& [setUp, finish] : Steps())
    if (setUp) setUp();
  const Paired& paired = PairedRounds();
  if (paired.pairs.empty()) {
    benchmark::RunSpecifiedBenchmarks();
  } else {
    BestTimeReporter reporter(paired.clock);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const NamedPair& p : paired.pairs) reporter.ReportPair(p);
  }
  for (const auto& [setUp, finish] : Steps())
    if (finish) finish();
  benchmark::Shutdown();
  PrintSummary();
  return 0;
}
