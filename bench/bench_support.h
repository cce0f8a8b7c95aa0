// What the benchmark programs of the library share: their timing, their
// summary lines and the readers' baseline.
//
// Times are the calling thread's processor time: the machine may be shared,
// and wall time would charge a case with whatever runs beside it. A case and
// its baseline run one after the other in every round, each after its own
// untimed preparation, so that both meet the same machine state. Each
// program ends with one line "RATIO <name> <value>" per case.
#ifndef KVL_BENCH_SUPPORT_H
#define KVL_BENCH_SUPPORT_H

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <utility>
#include <vector>

inline double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

template <class F>
double Timed(F&& f) {
  const double start = ThreadSeconds();
  f();
  return ThreadSeconds() - start;
}

// The summary lines, in the order the cases first reported; a case that the
// benchmark library runs again (while it sizes the run) keeps its last value.
inline std::vector<std::pair<std::string, double>>& Ratios() {
  static std::vector<std::pair<std::string, double>> ratios;
  return ratios;
}

inline void SetRatio(const std::string& name, double value) {
  auto& r = Ratios();
  const auto it = std::find_if(r.begin(), r.end(), [&name](const auto& e) { return e.first == name; });
  if (it == r.end())
    r.emplace_back(name, value);
  else
    it->second = value;
}

inline void PrintRatios() {
  for (const auto& [name, value] : Ratios()) std::printf("RATIO %s %.3f\n", name.c_str(), value);
}

inline void Nothing() {}

// For programs that pair benchmarks by name: the console reporter, keeping
// the fastest time per iteration of every benchmark it reports (processor
// time, or wall time for cases that wait on the file system). Like the
// library's own reporter it colours a terminal only: piped into a file or
// grep, the summary lines then start with their own words rather than with
// the colour reset of the table above them.
class BestTimeReporter : public benchmark::ConsoleReporter {
 public:
  enum class Clock { kProcessor, kWall };
  explicit BestTimeReporter(Clock clock)
      : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular), clock_(clock) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      const double total = clock_ == Clock::kProcessor ? run.cpu_accumulated_time : run.real_accumulated_time;
      const double t = total / static_cast<double>(run.iterations);
      auto [it, fresh] = best_.emplace(run.run_name.function_name, t);
      if (!fresh) it->second = std::min(it->second, t);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // "RATIO <name> <value>": the baseline's best time over the target's.
  void PrintRatio(const char* name, const char* baseline, const char* target) const {
    const auto b = best_.find(baseline);
    const auto t = best_.find(target);
    if (b != best_.end() && t != best_.end() && t->second > 0)
      std::printf("RATIO %s %.3f\n", name, b->second / t->second);
  }

 private:
  Clock clock_;
  std::map<std::string, double> best_;
};

// The readers' baseline: every integer of [p, end) parsed by std::from_chars,
// each number's one separator stepped over without a call (a byte that
// starts no number costs a failed call); the sum keeps the work from being
// optimised away.
inline long FromCharsSum(const char* p, const char* end) {
  long sum = 0;
  while (p < end) {
    int value = 0;
    p = std::from_chars(p, end, value).ptr + 1;
    sum += value;
  }
  return sum;
}

// How the rounds of a case combine: the best round of each side (the
// default), or their totals, which also count the rounds that met a slow
// spell of the machine or cold caches (the set and surface cases, whose
// rounds each start from a fresh copy).
enum class Rounds { kBest, kTotal };

// One case against its baseline; the ratio is the case's time over the
// baseline's (below 1: the case is faster). The case's time is the
// iteration time, for benchmarks registered with UseManualTime.
template <class PrepareBase, class Base, class PrepareCase, class Case>
void Pair(benchmark::State& state, const std::string& name, PrepareBase prepareBase, Base base,
          PrepareCase prepareCase, Case measured, Rounds rounds = Rounds::kBest) {
  const bool best = rounds == Rounds::kBest;
  double baseTime = best ? 1e30 : 0;
  double caseTime = best ? 1e30 : 0;
  for (auto _ : state) {
    prepareBase();
    const double b = Timed(base);
    prepareCase();
    const double c = Timed(measured);
    baseTime = best ? std::min(baseTime, b) : baseTime + b;
    caseTime = best ? std::min(caseTime, c) : caseTime + c;
    state.SetIterationTime(c);
  }
  const double per = best ? 1e6 : 1e6 / static_cast<double>(state.iterations());
  state.counters["baseline_us"] = per * baseTime;
  state.counters["case_us"] = per * caseTime;
  state.counters["ratio_vs_baseline"] = caseTime / baseTime;
  SetRatio(name, caseTime / baseTime);
}

// A case and its baseline that need no preparation.
template <class Base, class Case>
void Pair(benchmark::State& state, const std::string& name, Base base, Case measured) {
  Pair(state, name, Nothing, base, Nothing, measured);
}

#endif
