// inpM_PartMap: the whole map of one model.
//
// It keeps the correspondence between global ids and (instance, local id) for
// nodes and for elements, the node and element sets of the assembly and of
// each instance, the surfaces, the assembly name and the part that forms each
// instance. The empty instance name stands for the assembly level throughout.
//
// The pre-processor builds it from its own maps and writes it with Print into
// the part file; the solver side reads it back with the stream constructor and
// asks it the questions below.
//
// Global-to-local lookups answer as if the instances were visited in the id
// map's own order, the first holder of the id winning and the assembly level
// coming last, but they go through an index and cost O(1) whatever the number
// of instances. Copies share everything, the index included, until one of
// them changes.
#ifndef INPM_PARTMAP_H
#define INPM_PARTMAP_H

#include "cow.h"
#include "inpM_IdMap.h"
#include "inpM_InstanceMap.h"
#include "inpM_Line.h"
#include "inpM_SetMap.h"
#include "inpM_SurfaceMap.h"
#include "kvl_api.h"
#include "mem.h"

struct inpM_PartMapIndex;

class KVL_API inpM_PartMap {
 public:
  // The pre-processor's constructor: the three flags in member order, then
  // the model's maps. Each level of the id maps becomes a two-way table pair.
  inpM_PartMap(bool flattenedNames, bool localIdsAreGlobal, bool thirdFlag, const inpM_IdMap& nodeIds,
               const inpM_IdMap& elementIds, const inpM_SetMap& nodeSets, const inpM_SetMap& elementSets,
               const inpM_SurfaceMap& surfaces, const cow_String& assemblyName,
               const inpM_InstanceMap<cow_String>& instanceMap);
  // Reads a part file. Reports "EOF encountered." when the input ends before
  // the first field or before an entry of a counted list, and a message
  // naming the record when the stream fails otherwise (a malformed number, a
  // name line over 131 bytes); nested records report their own failures.
  explicit inpM_PartMap(aio_istream& in);
  inpM_PartMap(const inpM_PartMap& other);
  inpM_PartMap& operator=(const inpM_PartMap& other);
  ~inpM_PartMap();

  // Writes the part file.
  void Print(aio_ostream& out) const;

  // The printed map report. PrintModuleData prints the assembly section,
  // the global-to-local tables and the local-to-global tables, each when its
  // flag is set; `ids` asks for the ids of every set and surface, `internal`
  // for the sets and surfaces that the system made. The id tables set the
  // stream's flag aio_ios::left, which stays set.
  void PrintModuleData(aio_ostream& out, bool assembly, bool globalToLocal, bool localToGlobal, bool ids,
                       bool internal) const;
  void PrintAssembly(aio_ostream& out, bool ids, const inpM_Line& line, bool internal) const;
  void PrintAssemblySets(aio_ostream& out, const inpM_SetMap& setMap, bool ids, const inpM_Line& line,
                         const cow_String& setLabel, const cow_String& idLabel, bool internal) const;
  void PrintInstanceSets(aio_ostream& out, const inpM_SetMap& setMap, bool ids, const inpM_Line& line,
                         const cow_String& setLabel, const cow_String& idLabel, bool internal) const;
  void PrintAssemblySurfaces(aio_ostream& out, const inpM_SurfaceMap& surfaceMap, bool ids, const inpM_Line& line,
                             bool internal) const;
  void PrintInstanceSurfaces(aio_ostream& out, const inpM_SurfaceMap& surfaceMap, bool ids, const inpM_Line& line,
                             bool internal) const;
  // A counted id list: two heading lines at indentation `level`, then the ids
  // from column idLevel * indent, wrapped at lineWidth.
  void PrintSetIds(aio_ostream& out, const cow_1DArrayList<int>& ids, const cow_String& idLabel,
                   const inpM_Line& line, int level, int idLevel) const;
  // A bare id list from column firstWidth, wrapped at lineWidth.
  void PrintSurfaceIds(aio_ostream& out, const cow_1DArrayList<int>& ids, const inpM_Line& line,
                       int firstWidth) const;
  // Every global id, ascending, with its instance and local id.
  void PrintGlobal2Local(aio_ostream& out, const inpM_Line& line) const;
  // The assembly level, then each instance by name, local ids ascending.
  void PrintLocal2Global(aio_ostream& out, const inpM_Line& line) const;

  cow_String ConstGetAssemblyName() const;
  // nodeMap.Size(); raises nex_AssertException when the node and element maps
  // list different numbers of instances.
  int NumberInstances() const;
  // The instance names of the node map in ascending byte-wise order, after
  // the same check.
  cow_List<cow_String> Instances() const;
  // Each part name once, in the order of first appearance when the instances
  // are visited in ascending name order.
  cow_List<cow_String> Parts() const;
  // The empty string for an instance that the instance map does not know.
  cow_String GetPartFormingInstance(const cow_String& instance) const;

  // Local to global. "Unknown instance name: %s" for a non-empty name that
  // the map lacks; "Unknown global id: %1$s in instance: %2$s" for a local id
  // that the level lacks.
  int GlobalNodeId(const cow_String& instance, int localId) const;
  int GlobalElementId(const cow_String& instance, int localId) const;
  // Global to local: the instance (empty: the assembly level) and the local
  // id. "Unknown global id: %s" when no level holds the id.
  inpM_StringIntPair ConstGetInstanceNodeIdPair(int globalId) const;
  inpM_StringIntPair ConstGetInstanceElementIdPair(int globalId) const;

  // Whether any instance or the assembly level holds the global id.
  bool IsNodePartMapMember(int globalId) const;
  bool IsElementPartMapMember(int globalId) const;
  // Whether the instance (the assembly level for the empty name) holds the
  // local node id; false for a name that the map does not know.
  bool IsNodePartMapMember(const cow_String& instance, int localId) const;
  // Whether the instance (the assembly level for the empty name) holds the
  // global id; "Unknown instance name: %s" for a name that the map lacks.
  bool IsInstanceNodeMember(const cow_String& instance, int globalId) const;
  bool IsInstanceElementMember(const cow_String& instance, int globalId) const;

  // Set queries. A missing set or instance is reported by the set map
  // ("Set %s does not exist", "Instance %s does not exist"). Names are listed
  // in ascending byte-wise order.
  cow_List<cow_String> InstanceElsetNames(const cow_String& instance) const;
  cow_List<cow_String> InstanceNsetNames(const cow_String& instance) const;
  cow_1DArrayList<int> ConstGetInstanceElset(const cow_String& instance, const cow_String& set) const;
  cow_1DArrayList<int> ConstGetInstanceNset(const cow_String& instance, const cow_String& set) const;
  // True for a set that the system made (type flag not 0).
  bool InstanceElsetIsPicked(const cow_String& instance, const cow_String& set) const;
  bool InstanceNsetIsPicked(const cow_String& instance, const cow_String& set) const;
  bool InstanceNsetIsUnsorted(const cow_String& instance, const cow_String& set) const;
  cow_List<cow_String> AssemblyElsetNames() const;
  cow_List<cow_String> AssemblyNsetNames() const;
  cow_1DArrayList<int> ConstGetAssemblyElset(const cow_String& set) const;
  cow_1DArrayList<int> ConstGetAssemblyNset(const cow_String& set) const;
  bool AssemblyElsetIsPicked(const cow_String& set) const;
  bool AssemblyNsetIsPicked(const cow_String& set) const;
  bool AssemblyNsetIsUnsorted(const cow_String& set) const;

  // Read access to the members, for the solver side and for tools.
  bool FlattenedNames() const { return flattenedNames; }
  bool LocalIdsAreGlobal() const { return localIdsAreGlobal; }
  bool ThirdFlag() const { return thirdFlag; }
  const inpM_InstanceIdMaps& ConstGetNodeMap() const { return nodeMap; }
  const inpM_InstanceIdMaps& ConstGetElementMap() const { return elementMap; }
  const inpM_SetMap& ConstGetNodeSets() const { return nodeSets; }
  const inpM_SetMap& ConstGetElementSets() const { return elementSets; }
  const inpM_SurfaceMap& ConstGetSurfaces() const { return surfaces; }
  const inpM_InstanceMap<cow_String>& ConstGetInstanceMap() const { return instanceMap; }
  // Bytes held by the global-to-local index of both kinds.
  size_t IndexMemoryBytes() const;

 private:
  // Rebuilds the global-to-local index of both kinds. Every operation that
  // changes nodeMap or elementMap calls it.
  void Reindex();
  void CheckInstanceCount() const;

  bool flattenedNames = false;
  bool localIdsAreGlobal = false;
  // Given to the constructor, copied and stored; nothing reads it.
  bool thirdFlag = false;
  cow_String assemblyName;
  inpM_InstanceIdMaps nodeMap;
  inpM_InstanceIdMaps elementMap;
  inpM_SetMap nodeSets;
  inpM_SetMap elementSets;
  inpM_SurfaceMap surfaces;
  inpM_InstanceMap<cow_String> instanceMap;
  cow_COW<inpM_PartMapIndex> index;
};

#endif
