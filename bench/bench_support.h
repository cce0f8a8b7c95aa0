// What the benchmark programs share: one main (bench_support.cpp), their
// summary figures, the timing of a case against its baseline, a counting
// allocator and the readers' baseline.
//
// Every program ends with its summary, one line per figure:
//   RATIO <name> <speedup>        speedup = baseline time / our time: above 1
//                                 ours is faster, 0.67 is "at most 1.5x slower"
//   MEMORY <name> <value>         bytes per id or entry, or a peak over a size
//   ALLOCATIONS <name> <count>
// A ratio's name says what it compares: <our case>_vs_<baseline>.
// scripts/bench.sh gathers the summaries of all programs into one table,
// each figure beside its target from bench/targets.txt.
//
// Times are the calling thread's processor time: the machine may be shared,
// and wall time would charge a case with whatever runs beside it. A case and
// its baseline run one after the other in every round, each after its own
// untimed preparation, so that both meet the same machine state.
#ifndef KVL_BENCH_SUPPORT_H
#define KVL_BENCH_SUPPORT_H

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <ctime>
#include <functional>
#include <map>
#include <string>
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

// The summary figures. A case that the benchmark library runs again (while it
// sizes the run) keeps its last value.
void ReportSpeedup(const std::string& name, double baselineTime, double ourTime);
void ReportMemory(const std::string& name, double value);
void ReportAllocations(const std::string& name, long count);

// Every allocation through operator new in the program so far.
long Allocations();

// Steps a program adds to the shared main: `setUp` after the command line is
// read and before the runs, `finish` after the runs and before the summary.
// Declared at namespace scope: `const BenchSteps kSteps([] { ... });`.
struct BenchSteps {
  explicit BenchSteps(std::function<void()> setUp, std::function<void()> finish = {});
};

// For programs that pair benchmarks by name. The console reporter keeps the
// fastest time per iteration of every benchmark it reports (processor time,
// or wall time for cases that wait on the file system); like the library's
// own reporter it colours a terminal only, so that piped into a file or grep
// the summary lines start with their own words.
enum class BestOf { kProcessorTime, kWallTime };
struct NamedPair {
  const char* ratio;
  const char* baseline;
  benchmark::internal::Function* baselineFn;
  const char* ours;
  benchmark::internal::Function* oursFn;
  int iterations;  // 0: let the library choose, in runs of 50 ms at least
};
// Registers every pair, baseline then ours, `rounds` times over, so that a
// slow spell of the machine hits both alike; the shared main then reports the
// speedup of each pair from their fastest rounds. Called from a set-up step.
void RunPairsInRounds(std::vector<NamedPair> pairs, int rounds, BestOf clock);

inline void Nothing() {}

// Resident set size now ("VmRSS:"), its peak since the last ResetPeak
// ("VmHWM:"), or, from the given file, other sizes the kernel reports; 0
// where the field is missing.
size_t ResidentBytes(const char* field, const char* file = "/proc/self/status");
void ResetPeak();

// A fresh folder for a program's files, named after `program`: in /dev/shm
// where there is one, so that writing and reading them measures the code and
// not the disk. The caller removes it.
std::string TempDir(const std::string& program);

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

// One case against its baseline, reported as the speedup `name`. The case's
// time is the iteration time, for benchmarks registered with UseManualTime.
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
  state.counters["ours_us"] = per * caseTime;
  state.counters["speedup"] = baseTime / caseTime;
  ReportSpeedup(name, baseTime, caseTime);
}

// A case and its baseline that need no preparation.
template <class Base, class Case>
void Pair(benchmark::State& state, const std::string& name, Base base, Case measured) {
  Pair(state, name, Nothing, base, Nothing, measured);
}

#endif
