// The part map at the size of a large model: 1,000 instances, 10M nodes and
// 10M elements, sets and surfaces holding about a tenth of the ids. Each case
// against baselines measured in the same run:
//   ConstGetInstanceNodeIdPair of random global ids
//       vs  a std::vector from global id to (instance, local id)
//       vs  the visit of the instances one by one
//   reading the part file
//       vs  std::from_chars over the same bytes in memory
//   writing the part file
//       vs  std::to_chars of the same bytes into a buffer + fwrite
// and the memory of the map read from the file: resident bytes per node or
// element id and the peak while reading over the loaded map.
//
// Times are the best of the rounds. The model is built once (about ten
// seconds). A round of lookups takes a tenth of a second, so that case runs
// ten rounds, which keeps a slow moment of a shared machine out of its
// figures; reading and writing take a second or two each, so those cases run
// two rounds, and the whole run stays under a minute. Every case reports the
// speedup, the baseline's time over the library's (targets in
// bench/targets.txt).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench_models.h"
#include "bench_support.h"
#include "inpM_GlobalIndex.h"
#include "inpM_ModelGenerator.h"
#include "inpM_PartMap.h"

namespace {

constexpr int kLookups = 1'000'000;
constexpr int kScans = 10'000;  // the visit is slow: fewer ids, the same per-id figure

// The written part file as the write baseline replays it: runs of integers,
// each followed by " ", "\n" or " \n", between the lines that are text
// (names, areas). Replaying gives the file's bytes exactly.
struct Replay {
  enum Suffix : char { kBlank, kLineFeed, kBlankLineFeed };
  std::vector<int> values;
  std::vector<Suffix> suffixes;
  struct Segment {
    size_t first, count;    // a run of values, or
    std::string_view text;  // a text line (count 0)
  };
  std::vector<Segment> segments;

  explicit Replay(std::string_view file) {
    size_t run = 0;
    for (size_t at = 0; at < file.size();) {
      const size_t end = file.find('\n', at);
      const std::string_view line = file.substr(at, end - at);
      at = end + 1;
      const bool numbers = !line.empty() && line.find_first_not_of("-0123456789 ") == std::string_view::npos;
      if (!numbers) {
        if (values.size() > run) segments.push_back({run, values.size() - run, {}});
        segments.push_back({0, 0, line});
        run = values.size();
        continue;
      }
      for (const char* p = line.data(); p < line.data() + line.size();) {
        int v = 0;
        p = std::from_chars(p, line.data() + line.size(), v).ptr;
        values.push_back(v);
        const bool last = p == line.data() + line.size() || p + 1 == line.data() + line.size();
        suffixes.push_back(!last ? kBlank : p == line.data() + line.size() ? kLineFeed : kBlankLineFeed);
        ++p;
      }
    }
    if (values.size() > run) segments.push_back({run, values.size() - run, {}});
  }

  size_t Write(char* out) const {
    char* p = out;
    for (const Segment& s : segments) {
      if (s.count == 0) {
        p = std::copy(s.text.begin(), s.text.end(), p);
        *p++ = '\n';
        continue;
      }
      for (size_t i = s.first; i < s.first + s.count; ++i) {
        p = std::to_chars(p, p + 16, values[i]).ptr;
        *p++ = suffixes[i] == kLineFeed ? '\n' : ' ';
        if (suffixes[i] == kBlankLineFeed) *p++ = '\n';
      }
    }
    return static_cast<size_t>(p - out);
  }
};

struct Model {
  std::string dir;
  std::string path;
  std::string text;  // the part file's bytes
  size_t ids = 0;    // node and element ids
  int maxNodeId = 0;
  inpM_PartMap map;
  Replay replay;

  Model() : dir(TempDir("part_map_bench")), path(dir + "/model.prt"), map(Generate()), replay(Write()) {
    for (const inpM_InstanceIdMaps* maps : {&map.ConstGetNodeMap(), &map.ConstGetElementMap()}) {
      ids += static_cast<size_t>(maps->assembly.globalToLocal->Size());
      for (const auto& [name, pair] : maps->instances) ids += static_cast<size_t>(pair.globalToLocal->Size());
    }
  }
  ~Model() { std::filesystem::remove_all(dir); }

  inpM_PartMap Generate() {
    const inpM_ModelShape shape = LargeModelShape();
    maxNodeId = kLargeInstances * kLargePerInstance + shape.assemblyNodes;
    return inpM_GenerateModel(shape);
  }
  std::string_view Write() {
    aio_ofstream out(path.c_str(), false);
    map.Print(out);
    if (!out.close()) std::abort();
    text.resize(std::filesystem::file_size(path));
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr || std::fread(text.data(), 1, text.size(), f) != text.size()) std::abort();
    std::fclose(f);
    return text;
  }
};

Model& model() {
  static Model m;
  return m;
}

void Speedup(benchmark::State& state, const std::string& name, double baselineTime, double ourTime) {
  state.counters[name] = baselineTime / ourTime;
  ReportSpeedup(name, baselineTime, ourTime);
}

void Memory(benchmark::State& state, const std::string& name, double value) {
  state.counters[name] = value;
  ReportMemory(name, value);
}

// ---------------------------------------------------------------------------
// Global-to-local lookups

std::vector<int> RandomNodeIds(int n) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> id(1, model().maxNodeId);
  std::vector<int> ids(static_cast<size_t>(n));
  for (int& x : ids) x = id(random);
  return ids;
}

void BM_Lookup(benchmark::State& state) {
  const Model& m = model();
  const inpM_InstanceIdMaps& nodes = m.map.ConstGetNodeMap();
  const std::vector<int> ids = RandomNodeIds(kLookups);

  // The baseline: one vector entry per global id, (instance ordinal, local
  // id), answering with the same pair of name and local id.
  std::vector<cow_String> names;
  std::vector<std::pair<int, int>> byGlobal(static_cast<size_t>(m.maxNodeId) + 1, {-1, 0});
  auto fill = [&](const cow_String& name, const inpM_InstanceMaps& pair) {
    names.push_back(name);
    pair.globalToLocal->ForEach([&](int global, int local) {
      if (byGlobal[static_cast<size_t>(global)].first < 0)
        byGlobal[static_cast<size_t>(global)] = {static_cast<int>(names.size()) - 1, local};
    });
  };
  for (const auto& [name, pair] : nodes.instances) fill(name, pair);
  fill(cow_String(), nodes.assembly);

  long checkVector = 0, checkIndex = 0, checkScan = 0;
  double vector = 1e30, index = 1e30, scan = 1e30;
  for (auto _ : state) {
    // Each loop sums into a local, so that the sum stays in a register and
    // the loops time the lookups, not a memory round trip per id.
    vector = std::min(vector, Timed([&] {
                        long sum = 0;
                        for (int id : ids) {
                          const auto& [ordinal, local] = byGlobal[static_cast<size_t>(id)];
                          const inpM_StringIntPair answer{names[static_cast<size_t>(ordinal)], local};
                          sum += answer.id + answer.instance.Length();
                        }
                        checkVector += sum;
                      }));
    const double s = Timed([&] {
      long sum = 0;
      for (int id : ids) {
        const inpM_StringIntPair answer = m.map.ConstGetInstanceNodeIdPair(id);
        sum += answer.id + answer.instance.Length();
      }
      checkIndex += sum;
    });
    index = std::min(index, s);
    state.SetIterationTime(s);
    scan = std::min(scan, Timed([&] {
                      long sum = 0;
                      for (int i = 0; i < kScans; ++i) {
                        const int id = ids[static_cast<size_t>(i)];
                        inpM_StringIntPair answer;
                        bool found = false;
                        for (const auto& [name, pair] : nodes.instances) {
                          if (const int* local = pair.globalToLocal->Find(id)) {
                            answer = {name, *local};
                            found = true;
                            break;
                          }
                        }
                        if (!found) answer = {cow_String(), *nodes.assembly.globalToLocal->Find(id)};
                        sum += answer.id + answer.instance.Length();
                      }
                      checkScan += sum;
                    }));
  }
  if (checkVector != checkIndex) state.SkipWithError("the index and the vector disagree");
  benchmark::DoNotOptimize(checkScan);
  const double nsVector = 1e9 * vector / kLookups, nsIndex = 1e9 * index / kLookups, nsScan = 1e9 * scan / kScans;
  state.counters["vector_ns"] = nsVector;
  state.counters["index_ns"] = nsIndex;
  state.counters["scan_ns"] = nsScan;
  state.counters["huge_pages_MB"] =
      static_cast<double>(ResidentBytes("AnonHugePages:", "/proc/self/smaps_rollup")) / (1 << 20);
  Speedup(state, "lookup_vs_vector", nsVector, nsIndex);
  Speedup(state, "lookup_vs_instance_scan", nsScan, nsIndex);
  state.SetItemsProcessed(state.iterations() * kLookups);
}

// ---------------------------------------------------------------------------
// Reading and writing the part file

// What the id tables of both kinds hold, the largest part of a loaded map.
size_t TableBytes(const inpM_PartMap& map) {
  size_t bytes = 0;
  auto add = [&](const inpM_InstanceMaps& pair) {
    bytes += pair.globalToLocal->MemoryBytes() + pair.localToGlobal->MemoryBytes();
  };
  for (const inpM_InstanceIdMaps* maps : {&map.ConstGetNodeMap(), &map.ConstGetElementMap()}) {
    add(maps->assembly);
    for (const auto& [name, pair] : maps->instances) add(pair);
  }
  return bytes;
}

void BM_Read(benchmark::State& state) {
  const Model& m = model();
  const double mb = static_cast<double>(m.text.size()) / 1e6;
  double baseline = 1e30, library = 1e30, bytesPerId = 0, peakRatio = 0, heapPerId = 0;
  for (auto _ : state) {
    baseline = std::min(baseline, Timed([&] {
                          benchmark::DoNotOptimize(FromCharsSum(m.text.data(), m.text.data() + m.text.size()));
                        }));
    // Memory: what reading adds to the resident set, at its peak and once
    // the map stands, with freed memory given back beforehand.
    malloc_trim(0);
    const size_t heapBefore = mallinfo2().uordblks + mallinfo2().hblkhd;
    const size_t before = ResidentBytes("VmRSS:");
    ResetPeak();
    std::optional<inpM_PartMap> read;
    const double s = Timed([&] {
      aio_ifstream in(m.path.c_str());
      read.emplace(in);
    });
    const size_t peak = ResidentBytes("VmHWM:");
    const size_t loaded = ResidentBytes("VmRSS:") - before;
    const size_t heap = mallinfo2().uordblks + mallinfo2().hblkhd - heapBefore;
    library = std::min(library, s);
    state.SetIterationTime(s);
    bytesPerId = static_cast<double>(loaded) / static_cast<double>(m.ids);
    heapPerId = static_cast<double>(heap) / static_cast<double>(m.ids);
    peakRatio = static_cast<double>(peak - before) / static_cast<double>(loaded);
    state.counters["index_bytes_per_id"] = static_cast<double>(read->IndexMemoryBytes()) / static_cast<double>(m.ids);
    state.counters["table_bytes_per_id"] = static_cast<double>(TableBytes(*read)) / static_cast<double>(m.ids);
    // The index's share of the read: building it again for both kinds.
    inpM_GlobalIndex index;
    const double build = Timed([&] {
      index.Build(read->ConstGetNodeMap());
      index.Build(read->ConstGetElementMap());
    });
    state.counters["index_build_share"] = build / s;
    if (read->NumberInstances() != kLargeInstances) state.SkipWithError("read failed");
  }
  state.counters["file_MB"] = mb;
  state.counters["baseline_MB_per_s"] = mb / baseline;
  state.counters["library_MB_per_s"] = mb / library;
  state.counters["heap_bytes_per_id"] = heapPerId;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(m.text.size()));
  Speedup(state, "read_vs_from_chars", baseline, library);
  Memory(state, "resident_bytes_per_id", bytesPerId);
  Memory(state, "read_peak_over_loaded", peakRatio);
}

void BM_Write(benchmark::State& state) {
  const Model& m = model();
  const double mb = static_cast<double>(m.text.size()) / 1e6;
  const std::string baselinePath = m.dir + "/baseline.prt";
  const std::string libraryPath = m.dir + "/written.prt";
  std::vector<char> buffer(m.text.size() + 64);
  if (m.replay.Write(buffer.data()) != m.text.size() || std::string_view(buffer.data(), m.text.size()) != m.text)
    state.SkipWithError("the baseline does not write the file's bytes");
  double baseline = 1e30, library = 1e30;
  for (auto _ : state) {
    std::filesystem::remove(baselinePath);
    baseline = std::min(baseline, Timed([&] {
                          const size_t n = m.replay.Write(buffer.data());
                          FILE* f = std::fopen(baselinePath.c_str(), "wb");
                          if (f == nullptr || std::fwrite(buffer.data(), 1, n, f) != n) std::abort();
                          std::fclose(f);
                        }));
    std::filesystem::remove(libraryPath);
    const double s = Timed([&] {
      aio_ofstream out(libraryPath.c_str(), false);
      m.map.Print(out);
      if (!out.close()) std::abort();
    });
    library = std::min(library, s);
    state.SetIterationTime(s);
  }
  if (std::filesystem::file_size(libraryPath) != m.text.size()) state.SkipWithError("wrong size written");
  state.counters["baseline_MB_per_s"] = mb / baseline;
  state.counters["library_MB_per_s"] = mb / library;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(m.text.size()));
  Speedup(state, "write_vs_to_chars", baseline, library);
}

// The model is built before the runs, so that no case's first round pays for
// it.
const BenchSteps kSteps([] {
  const double start = ThreadSeconds();
  const Model& m = model();
  std::printf("model: %d instances, %zu node and element ids, part file %.0f MB, built and written in %.1f s\n",
              kLargeInstances, m.ids, static_cast<double>(m.text.size()) / 1e6, ThreadSeconds() - start);
});

BENCHMARK(BM_Lookup)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
