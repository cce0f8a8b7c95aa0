// Throughput of the stream hot paths on an id table of 20M integers laid out
// as "key value\n" lines, each against a baseline measured in the same run:
//   reading with scan_int from a file   vs  std::from_chars over the bytes in memory
//   writing with print_int/put to a file vs  std::to_chars into a buffer + one fwrite
// The four run in turn, three rounds, so that a slow spell of the machine
// hits baseline and stream alike; the fastest round of each counts (wall
// time: the stream's side waits on the file system). Each pair reports the
// speedup, the baseline's time over the stream's (targets in
// bench/targets.txt).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "mem.h"

namespace {

constexpr int kPairs = 10'000'000;

struct Data {
  std::vector<int> values;  // key, value, key, value, ...
  std::string text;
  std::string dir;
  std::string path;

  Data() {
    // Keys ascend as in the part file's tables; values are ids of a model of
    // the same size, so both have mostly 7 or 8 digits.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> id(1, 2 * kPairs);
    values.reserve(2 * kPairs);
    for (int k = 1; k <= kPairs; ++k) {
      values.push_back(k);
      values.push_back(id(rng));
    }
    char buf[24];
    for (size_t i = 0; i < values.size(); i += 2) {
      char* p = std::to_chars(buf, buf + sizeof buf, values[i]).ptr;
      *p++ = ' ';
      p = std::to_chars(p, buf + sizeof buf, values[i + 1]).ptr;
      *p++ = '\n';
      text.append(buf, p);
    }
    char tmpl[] = "/tmp/mem_bench.XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) std::abort();
    dir = tmpl;
    path = dir + "/ids.txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
    std::fclose(f);
  }
  ~Data() { std::filesystem::remove_all(dir); }
};

Data& data() {
  static Data d;
  return d;
}

void BM_Read_FromChars(benchmark::State& state) {
  const std::string& text = data().text;
  for (auto _ : state) {
    const char* p = text.data();
    const char* const end = p + text.size();
    long sum = 0;
    while (p < end) {
      int key = 0, value = 0;
      p = std::from_chars(p, end, key).ptr + 1;
      p = std::from_chars(p, end, value).ptr + 1;
      sum += key ^ value;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_Read_ScanInt(benchmark::State& state) {
  const Data& d = data();
  for (auto _ : state) {
    aio_ifstream in(d.path.c_str());
    long sum = 0;
    for (int i = 0; i < kPairs; ++i) {
      const int key = in.scan_int();
      const int value = in.scan_int();
      sum += key ^ value;
    }
    if (in.fail()) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(d.text.size()));
}

void BM_Write_ToChars(benchmark::State& state) {
  const Data& d = data();
  std::vector<char> buffer(d.values.size() * 11);
  const std::string out = d.dir + "/baseline.txt";
  for (auto _ : state) {
    char* p = buffer.data();
    char* const end = p + buffer.size();
    for (size_t i = 0; i < d.values.size(); i += 2) {
      p = std::to_chars(p, end, d.values[i]).ptr;
      *p++ = ' ';
      p = std::to_chars(p, end, d.values[i + 1]).ptr;
      *p++ = '\n';
    }
    FILE* f = std::fopen(out.c_str(), "wb");
    const size_t n = static_cast<size_t>(p - buffer.data());
    if (f == nullptr || std::fwrite(buffer.data(), 1, n, f) != n) state.SkipWithError("write failed");
    if (f != nullptr) std::fclose(f);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(d.text.size()));
}

void BM_Write_PrintInt(benchmark::State& state) {
  const Data& d = data();
  const std::string out = d.dir + "/stream.txt";
  for (auto _ : state) {
    aio_ofstream f(out.c_str(), false);
    for (size_t i = 0; i < d.values.size(); i += 2) {
      f.print_int(d.values[i]).put(' ');
      f.print_int(d.values[i + 1]).put('\n');
    }
    if (!f.close()) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(d.text.size()));
}

const BenchSteps kSteps([] {
  RunPairsInRounds(
      {
          {"scan_int_vs_from_chars", "BM_Read_FromChars", BM_Read_FromChars, "BM_Read_ScanInt", BM_Read_ScanInt, 3},
          {"print_int_vs_to_chars", "BM_Write_ToChars", BM_Write_ToChars, "BM_Write_PrintInt", BM_Write_PrintInt, 3},
      },
      3, BestOf::kWallTime);
});

}  // namespace
