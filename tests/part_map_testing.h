// Builders and views shared by the part map library's suites.
#ifndef PART_MAP_TESTING_H
#define PART_MAP_TESTING_H

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "inpM_PartMap.h"
#include "inpM_SolverPartMap.h"
#include "testing.h"
#include "utl.h"

namespace partmap_testing {

using Ids = std::vector<int>;
using Pairs = std::vector<std::pair<int, int>>;  // (local, global)

inline Ids V(const cow_1DArrayList<int>& list) { return list.ConstVector(); }
inline cow_1DArrayList<int> L(Ids ids) { return cow_1DArrayList<int>(std::move(ids)); }

// An id map with the assembly level's own pairs and one level per instance.
inline inpM_IdMap IdMapOf(const Pairs& assembly, const std::vector<std::pair<std::string, Pairs>>& instances = {}) {
  inpM_IdMap map;
  for (const auto& [local, global] : assembly) map.Insert(local, global);
  for (const auto& [name, pairs] : instances) {
    inpM_IdMap& sub = map.GetInstance(name);
    for (const auto& [local, global] : pairs) sub.Insert(local, global);
  }
  return map;
}

inline inpM_InstanceMap<cow_String> InstanceMapOf(const std::vector<std::pair<std::string, std::string>>& parts) {
  inpM_InstanceMap<cow_String> map;
  for (const auto& [instance, part] : parts) map.Insert(instance, part);
  return map;
}

inline inpM_PartMap PartMapOf(const inpM_IdMap& nodes, const inpM_IdMap& elements,
                              const inpM_InstanceMap<cow_String>& parts = {}, const cow_String& assembly = "ASSEMBLY") {
  return inpM_PartMap(false, false, false, nodes, elements, inpM_SetMap(), inpM_SetMap(), inpM_SurfaceMap(), assembly,
                      parts);
}

inline std::string Text(const inpM_PartMap& map) { return Printed(map); }

inline inpM_PartMap Read(const std::string& text) {
  aio_istringstream in(text);
  return inpM_PartMap(in);
}

inline std::pair<std::string, int> PairOf(const inpM_StringIntPair& p) { return {p.instance.str(), p.id}; }

using FaceMap = inpM_ElementFaceIdSurface::FaceMap;
using FaceView = std::map<std::string, Ids>;          // face label -> element ids
using Entries = std::vector<std::pair<int, double>>;  // (node, area)

inline FaceMap Faces(std::initializer_list<std::pair<const char*, Ids>> entries) {
  FaceMap map;
  for (const auto& [face, ids] : entries) map.Insert(face, L(ids));
  return map;
}

inline FaceView View(const FaceMap& map) {
  FaceView view;
  for (const auto& [face, ids] : map) view[face.str()] = ids.ConstVector();
  return view;
}

// An instance or assembly surface's face view.
template <class Surface>
FaceView View(const Surface& surface) {
  return View(surface.ConstGetFaceIdElementIdsMap());
}

inline Entries Nodes(const inpM_NodeAreaList& list) {
  Entries entries;
  for (inpM_NodeAreaListIT it(list); !it.IsDone(); it.Next()) entries.emplace_back(it.CurrentKey(), it.CurrentValue());
  return entries;
}

template <class Surface>
Entries Nodes(const Surface& surface) {
  return Nodes(surface.ConstGetNodeAreaList());
}

inline inpM_NodeAreaList Areas(const Entries& entries) {
  inpM_NodeAreaList list;
  for (const auto& [node, area] : entries) list.Insert(node, area);
  return list;
}

inline inpM_ElementFaceIdSurface FaceSurface(std::initializer_list<std::pair<const char*, Ids>> entries) {
  return inpM_ElementFaceIdSurface(Faces(entries));
}

inline inpM_NodeAreaSurface NodeSurface(const Entries& entries) { return inpM_NodeAreaSurface(Areas(entries)); }

// The visit of the instances that the index stands in for: the first
// instance in the map's own order whose table holds the id, else the
// assembly level.
inline std::optional<std::pair<std::string, int>> Scan(const inpM_InstanceIdMaps& maps, int globalId) {
  for (const auto& [name, pair] : maps.instances)
    if (const int* local = pair.globalToLocal->Find(globalId)) return std::make_pair(name.str(), *local);
  if (const int* local = maps.assembly.globalToLocal->Find(globalId)) return std::make_pair(std::string(), *local);
  return std::nullopt;
}

// Every id in and around the map's range answers as the scan does.
inline void ExpectAnswersAsScan(const inpM_PartMap& map, int first, int last) {
  for (int kind = 0; kind < 2; ++kind) {
    const inpM_InstanceIdMaps& maps = kind ? map.ConstGetElementMap() : map.ConstGetNodeMap();
    for (int id = first; id <= last; ++id) {
      const auto expected = Scan(maps, id);
      const bool member = kind ? map.IsElementPartMapMember(id) : map.IsNodePartMapMember(id);
      ASSERT_EQ(member, expected.has_value()) << "kind " << kind << " id " << id;
      if (!expected) continue;
      ASSERT_EQ(PairOf(kind ? map.ConstGetInstanceElementIdPair(id) : map.ConstGetInstanceNodeIdPair(id)), *expected)
          << "kind " << kind << " id " << id;
    }
  }
}

// The job "job" in a fresh directory whose part file job.prt is a copy of
// `golden`; the fatal-error hook records what it receives. The thread's solver
// part map goes, writing job.prt back, before the directory does.
class SolverJob : public ::testing::Test {
 protected:
  void Job(const std::string& golden) {
    thr_ThreadSingleton<inpM_SolverPartMap>::DestroyInstance();
    std::filesystem::copy_file(golden, dir.Path("job.prt"), std::filesystem::copy_options::overwrite_existing);
    utl_SetJob(dir.Path(), "job");
    wip_SetFatalHandler(&Record, &fatal);
  }
  void TearDown() override {
    thr_ThreadSingleton<inpM_SolverPartMap>::DestroyInstance();
    wip_SetFatalHandler(nullptr, nullptr);
    utl_SetJob("", "");
  }
  static void Record(const char* message, void* seen) { static_cast<std::vector<std::string>*>(seen)->push_back(message); }
  // Runs a program in the job's directory, as the solver would; its output
  // goes to out.txt and err.txt there.
  int RunInJob(const std::string& exe) const {
    return Shell("cd '" + dir.Path() + "' && INPM_JOB_DIR='" + dir.Path() + "' INPM_JOB=job " + exe +
                 " >out.txt 2>err.txt");
  }
  TempDir dir;
  std::vector<std::string> fatal;
};

}  // namespace partmap_testing

#endif
