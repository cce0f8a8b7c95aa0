// Id maps: the correspondence between local and global ids.
//
// - inpM_IdMap: the pre-processor's map of one level (local id -> global id)
//   with the id maps of the instances below it, keyed by instance name.
// - inpM_InstanceMaps: the two-way table pair of one instance or of the
//   assembly level, as the part map keeps and stores it.
// - inpM_InstanceIdMaps: all table pairs of one kind of object.
// - inpM_StringIntPair: the answer of a global-to-local lookup.
// All are values; copies share their tables until one side writes, and an
// operation that changes a map detaches exactly the tables it changes.
#ifndef INPM_IDMAP_H
#define INPM_IDMAP_H

#include "cow.h"
#include "kvl_api.h"
#include "mem.h"
#include "omni.h"

class inpM_InstanceIdMaps;

struct KVL_API inpM_StringIntPair {
  cow_String instance;  // empty for the assembly level
  int id = 0;           // the local id
  friend bool operator==(const inpM_StringIntPair& a, const inpM_StringIntPair& b) {
    return a.instance == b.instance && a.id == b.id;
  }
};

class KVL_API inpM_IdMap {
 public:
  inpM_IdMap();
  inpM_IdMap(const inpM_IdMap& other);
  inpM_IdMap& operator=(const inpM_IdMap& other);
  explicit inpM_IdMap(const inpM_InstanceIdMaps& maps);
  ~inpM_IdMap();

  const inpM_IdMap& ConstGet(const cow_String& instanceName) const;
  const inpM_IdMap& ConstGet(const cow_List<cow_String>& path) const;
  int ConstGet(int localId) const;
  int NumberIds() const;
  cow_List<cow_String> Instances() const;
  void Print(aio_ostream& out) const;
  void Renumber(int* array, int n) const;
  cow_1DArrayList<int> Renumber(const cow_1DArrayList<int>& list, bool inverse) const;
  cow_1DArrayList<int> CleanupAndRenumber(const cow_1DArrayList<int>& list, bool inverse) const;
  cow_1DArrayList<int> Cleanup(const cow_1DArrayList<int>& list) const;
  void Merge(const inpM_IdMap& other);
  int LargestId() const;
  int SmallestId() const;
  void InsertDuplicateOffsetIds(int offset, int count);

  // Building and reading (pre-processor and library internals).
  // Adds a pair of this level; an existing local id keeps its global id.
  void Insert(int localId, int globalId);
  // The sub-map of an instance, created empty when missing (detaches).
  inpM_IdMap& GetInstance(const cow_String& instanceName);
  void InsertInstance(const cow_String& instanceName, const inpM_IdMap& map);
  bool HasInstance(const cow_String& instanceName) const;
  // The global id of a local id of this level, or null when there is none.
  const int* Find(int localId) const { return ids.HasValue() ? ids.ConstGet().Find(localId) : nullptr; }
  const omi_IntTable<int>& ConstGetIds() const;
  const cow_Map<cow_String, cow_COW<inpM_IdMap>>& ConstGetInstances() const;

 private:
  friend struct inpM_InstanceMaps;
  // The table of this level, written through the one detach point; a map
  // without ids holds no table at all.
  omi_IntTable<int>& GetIds();

  cow_Map<cow_String, cow_COW<inpM_IdMap>> instances;
  cow_COW<omi_IntTable<int>> ids;
};

struct KVL_API inpM_InstanceMaps {
  inpM_InstanceMaps();
  explicit inpM_InstanceMaps(const inpM_IdMap& map);
  explicit inpM_InstanceMaps(aio_istream& in);
  inpM_InstanceMaps(const inpM_InstanceMaps& other);
  inpM_InstanceMaps& operator=(const inpM_InstanceMaps& other);
  ~inpM_InstanceMaps();
  void Print(aio_ostream& out) const;

  cow_COW<omi_IntTable<int>> globalToLocal;  // key global id, value local id
  cow_COW<omi_IntTable<int>> localToGlobal;  // key local id, value global id
};

class KVL_API inpM_InstanceIdMaps {
 public:
  // The number of instances (the assembly level is not counted).
  int Size() const { return instances.Size(); }

  cow_Map<cow_String, inpM_InstanceMaps> instances;
  inpM_InstanceMaps assembly;
};

#endif
