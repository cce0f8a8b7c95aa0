// inpM_SolverPartMap: the solver's access object to part maps, one per thread.
//
// It reads part files on demand into part maps, keeps every part map that it
// has read until that map is closed, and forwards every query and edit to the
// one current part map. Beside the part maps it keeps an index from instance
// name to part index, the names of the sets cleared and of the surfaces
// locked during the analysis, and five counts recorded when the maps are
// closed. Closing all maps writes the job's own part map back to its file.
//
// Part file names are compared byte for byte. Each name entered keeps its
// slot for the life of the object; closing a map only empties its slot.
//
// Saving writes a temporary file beside the part file, flushes it to disk and
// renames it over the part file: a failed save leaves the previous file as it
// was and prints the failure through the thread's error service.
//
// A guarded operation called while no part map is current reports its raw
// message through the thread's error service, which does not return.
#ifndef INPM_SOLVERPARTMAP_H
#define INPM_SOLVERPARTMAP_H

#include <initializer_list>
#include <memory>

#include "atr.h"
#include "cow.h"
#include "inpM_PartMap.h"
#include "kvl_api.h"
#include "thr.h"

class inpM_SolverPartMap;

// The thread-local slot of the calling thread's solver part map. Specialized
// so that the library and its users share one instance per thread across the
// shared object's boundary.
template <>
class KVL_API thr_ThreadSingletonBase<inpM_SolverPartMap> {
 protected:
  // The calling thread's instance, or null; never creates one.
  static inpM_SolverPartMap* Instance();
};

template <>
class KVL_API thr_ThreadSingleton<inpM_SolverPartMap> : public thr_ThreadSingletonBase<inpM_SolverPartMap> {
 public:
  // The calling thread's instance, created on first use and destroyed with
  // the thread (registry destruction level 10).
  static inpM_SolverPartMap& Instance();
  // Destroys the calling thread's instance, which closes all its part maps;
  // false when the thread has none.
  static bool DestroyInstance();
  // The number of live instances over all threads.
  static int InstanceCount();
};

class KVL_API inpM_SolverPartMap {
 public:
  inpM_SolverPartMap(const inpM_SolverPartMap&) = delete;
  inpM_SolverPartMap& operator=(const inpM_SolverPartMap&) = delete;
  // Closes every part map (CloseAll), saving the job's own.
  ~inpM_SolverPartMap();

  // Makes the job's own part file current.
  void MakeCurrent();
  // Makes the part map of the named file current, reading the file if it is
  // not open; a part file that cannot be opened raises nex_TextException.
  void MakeCurrent(const cow_String& partFileName);
  // Makes the part map entered with the slot current; with a slot that no
  // name has, makes none current.
  void MakeCurrent(int slot);
  bool Exists() const { return current != nullptr; }
  // Closes the current part map without writing it.
  void CloseNoSave();
  // Writes the current part map to its file, then closes it.
  void CloseAndSave();
  // Records the counts of the current part map, then closes every open part
  // map, saving the job's own.
  void CloseAll();

  // The part index of the instance that holds global node (jtyp 0) or
  // element (jtyp not 0) id: 0 for the assembly level, i for the i-th
  // instance in ascending name order.
  int PartIndex(int& id, int& jtyp) const;
  // Greater than 0 when the current part map holds assembly-level ids (the
  // number of assembly-level elements, else of nodes); 0 with none current.
  int HasAssemblyLevelIds() const;

  // Recorded counts, else computed from the current part map, else -1.
  int GetNumberInstances() const;
  int GetNumberAssemblyElsets() const;
  int GetNumberAssemblyNsets() const;
  int GetNumberElsets() const;
  int GetNumberNsets() const;

  // Guarded forwarding operations.
  const inpM_InstanceIdMaps& ConstGetNodeMap() const;
  const inpM_InstanceIdMaps& ConstGetElementMap() const;
  inpM_StringIntPair ConstGetInstanceNodeIdPair(int globalId) const;
  inpM_StringIntPair ConstGetInstanceElementIdPair(int globalId) const;
  int GlobalNodeId(const cow_String& instance, int localId) const;
  int GlobalElementId(const cow_String& instance, int localId) const;
  int NumberInstances() const;
  // The current part map's localIdsAreGlobal flag.
  bool LocalIdsAreGlobal() const;
  cow_List<cow_String> Instances() const;
  cow_String ConstGetAssemblyName() const;
  cow_List<cow_String> AssemblyElsetNames() const;
  cow_List<cow_String> AssemblyNsetNames() const;
  cow_List<cow_String> InstanceElsetNames(const cow_String& instance) const;
  cow_List<cow_String> InstanceNsetNames(const cow_String& instance) const;
  bool IsNodePartMapMember(int globalId) const;
  bool IsNodePartMapMember(const cow_String& instance, int localId) const;
  bool IsElementPartMapMember(int globalId) const;
  int NumberInstancesSpannedByAssemblyElset(const cow_String& name) const;
  int NumberInstancesSpannedByAssemblyNset(const cow_String& name) const;
  int NumberInstancesSpannedByAssemblySurface(const cow_String& name) const;
  cow_List<cow_String> InstancesSpannedByAssemblyElset(const cow_String& name) const;
  cow_List<cow_String> InstancesSpannedByAssemblyNset(const cow_String& name) const;
  cow_List<cow_String> InstancesSpannedByAssemblySurface(const cow_String& name) const;
  // A name as the solver passes it to the names as stored; empty when
  // nothing matches.
  cow_String GetAssemblyElsetName(const cow_String& name) const;
  cow_String GetAssemblyNsetName(const cow_String& name) const;
  cow_String GetAssemblySurfaceName(const cow_String& name) const;
  cow_List<cow_String> GetInstanceAndElsetNames(const cow_String& name) const;
  cow_List<cow_String> GetInstanceAndNsetNames(const cow_String& name) const;
  cow_List<cow_String> GetInstanceAndSurfaceNames(const cow_String& name) const;
  // The type flag of the set; `kind` "elset" for element sets, else nodes.
  inpM_SetTypeFlag SetType(const cow_String& setName, const cow_String& kind) const;
  // The map report of the current part map, without internal sets and
  // surfaces.
  void PrintModuleData(aio_ostream& out, bool assembly, bool globalToLocal, bool localToGlobal, bool ids) const;

  // Guarded edits of the current part map.
  void InsertInstanceNodeSet(const cow_String& setName, const cow_String& instance, const int* ids, int n,
                             inpM_SetTypeFlag kind, bool unsorted);
  void InsertInstanceElementSet(const cow_String& setName, const cow_String& instance, const int* ids, int n,
                                inpM_SetTypeFlag kind);
  void InsertAssemblyNodeSet(const cow_String& setName, const cow_String& instance, const int* ids, int n,
                             inpM_SetTypeFlag kind);
  void InsertAssemblyElementSet(const cow_String& setName, const cow_String& instance, const int* ids, int n,
                                inpM_SetTypeFlag kind);
  void InsertIntoSet(const cow_String& setName, const cow_String& kind, const cow_String& instance, int id, int count,
                     inpM_SetTypeFlag typeFlag, bool unsorted, bool newSet);
  // Adds a global id to the instance (empty: the assembly level) and
  // returns its local id.
  int InsertNode(int globalId, const cow_String& instance);
  int InsertElement(int globalId, const cow_String& instance);
  // "elset" removes an element, any other kind a node.
  void RemoveNodeOrElement(int globalId, const cow_String& kind);
  void AddInstanceSurfaceFacet(const cow_String& instance, const cow_String& surface, const cow_String& face,
                               int element);
  void RemoveInstanceSurfaceFacet(const cow_String& instance, const cow_String& surface, const cow_String& face,
                                  int element);
  void AddInstanceSurfaceNode(const cow_String& instance, const cow_String& surface, int node, double area);
  void RemoveInstanceSurfaceNode(const cow_String& instance, const cow_String& surface, int node);
  void ClearInstanceSurface(const cow_String& instance, const cow_String& surface);
  void AddAssemblySurfaceFacet(const cow_String& surface, const cow_String& face, int element);
  void RemoveAssemblySurfaceFacet(const cow_String& surface, const cow_String& face, int element);
  void AddAssemblySurfaceNode(const cow_String& surface, int node, double area);
  void RemoveAssemblySurfaceNode(const cow_String& surface, int node);
  void ClearAssemblySurface(const cow_String& surface);

  // Whether the name designates an assembly set or surface, or an instance
  // set, of the current part map (guarded as the lookups above).
  bool IsAssemblyElsetName(const cow_String& name) const;
  bool IsAssemblyNsetName(const cow_String& name) const;
  bool IsAssemblySurfaceName(const cow_String& name) const;
  bool IsInstanceElsetName(const cow_String& name) const;
  bool IsInstanceNsetName(const cow_String& name) const;

  // Guarded: records the upper-case name as cleared, then empties the set
  // that the name designates in the current part map.
  void ClearElset(const cow_String& name);
  void ClearNset(const cow_String& name);

  // Cleared sets and locked surfaces, by upper-case name; they belong to the
  // object and survive the closing of part maps.
  bool ElsetIsCleared(const cow_String& name) const;
  bool NsetIsCleared(const cow_String& name) const;
  bool IsSurfaceLocked(const cow_String& name) const;
  void LockSurface(const cow_String& name);
  void UnlockSurface(const cow_String& name);

  // Read access to the bookkeeping, for the routines and for tests.
  const cow_String& CurrentPartFileName() const { return currentPartFileName; }
  int SlotCapacity() const { return slotCapacity; }
  int SlotsUsed() const { return slotsUsed; }

 private:
  friend class thr_ThreadSingleton<inpM_SolverPartMap>;
  inpM_SolverPartMap();

  void SetPartIndex();
  cow_String JobPartFileName(const char* extension) const;
  // The job's part file name, made again only when the job was set anew.
  const cow_String& JobPartFile() const;
  void ReadPartFile(const cow_String& partFileName);
  int PartFileSlot(const cow_String& partFileName) const;
  cow_String PartFileName(int slot) const;
  void GrowSlots(int n);

  // Writes the current part map to its file through a temporary file and a
  // rename; a failure is printed and leaves the file as it was.
  void SavePartFile() const;
  // The five counts computed from the current part map, in recorded order.
  void ComputeCounts(int counts[5]) const;
  void ResetCounts();
  // Reports a raw message whose placeholders receive `values` in order
  // ("%s" alone, or "%1$s" onwards); does not return.
  [[noreturn]] void NoPartMap(const char* message, std::initializer_list<atr_String> values) const;
  // The current part map, for the operations that forward to it. With none,
  // reports the message, whose placeholders receive `values` and then the
  // current part file name.
  template <class... A>
  inpM_PartMap& Current(const char* message, const A&... values) const {
    if (current == nullptr) NoPartMap(message, {atr_String(values)..., atr_String(currentPartFileName)});
    return *current;
  }

  int slotCapacity = 1;
  int slotsUsed = 0;
  // Number of parts, assembly element sets, assembly node sets, element sets
  // and node sets (assembly and all instances); -1: not recorded.
  int recordedCounts[5] = {-1, -1, -1, -1, -1};
  inpM_PartMap* current = nullptr;  // owned by the slot table
  std::unique_ptr<std::unique_ptr<inpM_PartMap>[]> slots;
  cow_String currentPartFileName;
  cow_Btree<cow_String, int> fileIndex;
  cow_Btree<cow_String, int> partIndex;
  cow_List<cow_String> clearedElsets;
  cow_List<cow_String> clearedNsets;
  cow_List<cow_String> lockedSurfaces;
  // The job's part file name and the job generation (utl_JobGeneration) it
  // was made at; 0 is no generation.
  mutable cow_String jobPartFile;
  mutable unsigned jobPartFileGeneration = 0;
};

#endif
