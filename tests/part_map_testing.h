// Helpers shared by the part map and part file tests.
#ifndef PART_MAP_TESTING_H
#define PART_MAP_TESTING_H

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "inpM_PartMap.h"
#include "testing.h"
#include "mem.h"
#include "nex.h"
#include "wip.h"

namespace partmap_testing {

using Pairs = std::vector<std::pair<int, int>>;  // (local, global)

// An id map of one level per instance, and the assembly level's own pairs.
inline inpM_IdMap IdMapOf(const Pairs& assembly, const std::vector<std::pair<std::string, Pairs>>& instances) {
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

inline std::string Text(const inpM_PartMap& map) {
  aio_ostringstream out;
  map.Print(out);
  return out.str();
}

inline inpM_PartMap Read(const std::string& text) {
  aio_istringstream in(text);
  return inpM_PartMap(in);
}

using ::Names;

inline std::vector<int> Ids(const cow_1DArrayList<int>& list) { return list.ConstVector(); }

inline std::pair<std::string, int> PairOf(const inpM_StringIntPair& p) { return {p.instance.str(), p.id}; }

using ::ErrorOf;

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

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

}  // namespace partmap_testing

#endif
