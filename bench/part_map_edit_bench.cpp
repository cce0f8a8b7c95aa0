// Part map edits at size. Each figure against a baseline measured in the
// same run, stated as baseline time / our time (higher is better):
//   InsertIntoSet, 1M single ids into one set (sorted, unsorted), and
//   InsertNode, 1M ids into one instance: the mean time of calls 1,001 to
//       2,000 (early, the baseline) over that of the last 1,000 (late), a
//       flatness that is 1 when a call costs the same at any size
//                                                          target >= 0.5
//   RemoveNodeOrElement on a model of 10,000 sets of 1,000 ids
//       vs  the literal algorithm (copy every set, remove, replace)  target >= 100
//   GetAssemblySetName of an exact-case name among 10,000 sets
//       vs  one std::unordered_map<std::string, int> lookup of it    target >= 0.33
// Times are the thread's processor time, the best of the rounds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench_support.h"
#include "inpM_PartMap.h"

namespace {

constexpr int kGrowth = 1'000'000;
constexpr int kBlock = 1'000;
constexpr int kSets = 10'000;
constexpr int kSetIds = 1'000;
constexpr int kModelIds = 1'000'000;

inpM_PartMap EmptyMap(int ids) {
  inpM_IdMap nodes;
  inpM_IdMap& instance = nodes.GetInstance("I");
  for (int id = 1; id <= ids; ++id) instance.Insert(id, id);
  return inpM_PartMap(false, false, false, nodes, nodes, inpM_SetMap(), inpM_SetMap(), inpM_SurfaceMap(), "A",
                      inpM_InstanceMap<cow_String>());
}

// Calls `add(i)` for i in [0, kGrowth) and gives the time of calls 1,001 to
// 2,000 over that of the last 1,000, the best of the rounds for each.
template <class Fresh, class Add>
void Growth(benchmark::State& state, const char* name, Fresh fresh, Add add) {
  double early = 1e30, late = 1e30;
  for (auto _ : state) {
    auto map = fresh();
    for (int i = 0; i < kBlock; ++i) add(map, i);
    early = std::min(early, Timed([&] {
      for (int i = kBlock; i < 2 * kBlock; ++i) add(map, i);
    }));
    for (int i = 2 * kBlock; i < kGrowth - kBlock; ++i) add(map, i);
    late = std::min(late, Timed([&] {
      for (int i = kGrowth - kBlock; i < kGrowth; ++i) add(map, i);
    }));
  }
  state.counters["early_ns"] = early / kBlock * 1e9;
  state.counters["late_ns"] = late / kBlock * 1e9;
  ReportSpeedup(name, early, late);
}

void InsertIntoSetSorted(benchmark::State& state) {
  Growth(
      state, "insert_into_set_sorted_late_vs_early", [] { return EmptyMap(0); },
      [](inpM_PartMap& map, int i) { map.InsertIntoSet("GROW", "nset", "", i + 1, 1, inpM_InputSet, false, false); });
}

void InsertIntoSetUnsorted(benchmark::State& state) {
  Growth(
      state, "insert_into_set_unsorted_late_vs_early", [] { return EmptyMap(0); },
      [](inpM_PartMap& map, int i) { map.InsertIntoSet("GROW", "nset", "", i + 1, 1, inpM_InputSet, true, false); });
}

void InsertNodeGrowth(benchmark::State& state) {
  Growth(
      state, "insert_node_late_vs_early", [] { return EmptyMap(1); },
      [](inpM_PartMap& map, int i) { map.InsertNode(i + 2, "I"); });
}

// 10,000 sets of 1,000 consecutive ids each, set k from id 100 k + 1: every
// id is in about ten sets.
const inpM_PartMap& SetModel() {
  static const inpM_PartMap model = [] {
    inpM_SetMap sets;
    std::vector<int> ids(kSetIds);
    for (int k = 0; k < kSets; ++k) {
      for (int j = 0; j < kSetIds; ++j) ids[static_cast<size_t>(j)] = (100 * k + j) % kModelIds + 1;
      char name[16];
      std::snprintf(name, sizeof name, "SET-%05d", k);
      sets.InsertSet(name, CreateSet(cow_1DArrayList<int>(ids), inpM_InputSet, false));
    }
    inpM_IdMap nodes;
    inpM_IdMap& instance = nodes.GetInstance("I");
    for (int id = 1; id <= kModelIds; ++id) instance.Insert(id, id);
    return inpM_PartMap(false, false, false, nodes, nodes, sets, inpM_SetMap(), inpM_SurfaceMap(), "A",
                        inpM_InstanceMap<cow_String>());
  }();
  return model;
}

// Step 4 of the removal as written: every assembly set copied, the id
// removed from the copy, the copy filed when the removal took place.
void LiteralRemoval(inpM_SetMap& sets, int id) {
  const cow_List<cow_String> names = sets.ConstGetSets().Keys();
  for (const cow_String& name : names) {
    inpM_SetHandle copy = CreateSet(sets.ConstGetSet(name));
    if (copy.Get().Remove(id)) sets.InsertSet(name, copy);
  }
}

void RemoveNodeOrElement(benchmark::State& state) {
  const inpM_PartMap& model = SetModel();
  std::mt19937 rng(5);
  std::vector<int> ids(200);
  for (int& id : ids) id = static_cast<int>(rng() % kModelIds) + 1;
  double literal = 1e30, ours = 1e30;
  for (auto _ : state) {
    inpM_SetMap sets = model.ConstGetNodeSets();
    literal = std::min(literal, Timed([&] {
                         for (int k = 0; k < 10; ++k) LiteralRemoval(sets, ids[static_cast<size_t>(k)]);
                       }) / 10);
    inpM_PartMap map = model;
    ours = std::min(ours, Timed([&] {
                      for (const int id : ids) map.RemoveNodeOrElement(id, "nset");
                    }) / static_cast<double>(ids.size()));
  }
  state.counters["literal_us"] = literal * 1e6;
  state.counters["ours_us"] = ours * 1e6;
  ReportSpeedup("remove_node_or_element_vs_literal", literal, ours);
}

void NameResolution(benchmark::State& state) {
  const inpM_PartMap& model = SetModel();
  std::unordered_map<std::string, int> hash;
  std::vector<cow_String> names;
  for (const auto& [name, set] : model.ConstGetNodeSets().ConstGetSets()) {
    hash.emplace(name.str(), static_cast<int>(names.size()));
    names.push_back(name);
  }
  std::mt19937 rng(7);
  std::vector<cow_String> asked(100'000);
  for (cow_String& name : asked) name = names[rng() % names.size()];
  std::vector<std::string> askedStrings;
  for (const cow_String& name : asked) askedStrings.push_back(name.str());
  double base = 1e30, ours = 1e30;
  long found = 0;
  for (auto _ : state) {
    base = std::min(base, Timed([&] {
                      for (const std::string& name : askedStrings) found += hash.find(name)->second;
                    }));
    ours = std::min(ours, Timed([&] {
                      for (const cow_String& name : asked)
                        found += model.GetAssemblySetName(model.ConstGetNodeSets(), name).Length();
                    }));
  }
  benchmark::DoNotOptimize(found);
  state.counters["hash_ns"] = base / static_cast<double>(asked.size()) * 1e9;
  state.counters["ours_ns"] = ours / static_cast<double>(asked.size()) * 1e9;
  ReportSpeedup("get_assembly_set_name_vs_hash", base, ours);
}

}  // namespace

BENCHMARK(InsertIntoSetSorted)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(InsertIntoSetUnsorted)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(InsertNodeGrowth)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(RemoveNodeOrElement)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(NameResolution)->Iterations(5)->Unit(benchmark::kMillisecond);
