// Named sets of one kind (node sets or element sets) of a model: the sets of
// the assembly and, per instance, a nested set map of that instance's sets.
//
// A set map is a value: copies share their sets and nested maps until one
// side writes, and then only what is written is copied.
#ifndef INPM_SETMAP_H
#define INPM_SETMAP_H

#include "atr.h"
#include "cow.h"
#include "inpM_Set.h"
#include "kvl_api.h"
#include "mem.h"

class inpM_IdMap;
class inpM_SetMap;

// Set name to set; each handle holds an inpM_SortedSet or an inpM_UnsortedSet.
using inpM_BaseSetMap = cow_Map<cow_String, inpM_SetHandle>;
using inpM_SetMapHandle = cow_COW<inpM_SetMap, cow_Direct<inpM_SetMap>>;
using inpM_NestedSetMaps = cow_Map<cow_String, inpM_SetMapHandle>;

class KVL_API inpM_SetMap {
 public:
  inpM_SetMap();
  inpM_SetMap(const inpM_SetMap& other);
  inpM_SetMap(inpM_SetMap&& other) noexcept;
  inpM_SetMap& operator=(const inpM_SetMap& other);
  inpM_SetMap& operator=(inpM_SetMap&& other) noexcept;
  // The given sets as assembly sets, no nested set maps.
  explicit inpM_SetMap(const inpM_BaseSetMap& sets);
  // Reads the stored form; "EOF encountered." when the input ends before an
  // entry (faults inside a set are reported by the set's reader).
  explicit inpM_SetMap(aio_istream& in);
  ~inpM_SetMap();

  void Print(aio_ostream& out) const;

  // "Set %s does not exist" when there is no such assembly set.
  const inpM_BaseSet& ConstGetSet(const cow_String& set) const;
  // "Instance %s does not exist" when the instance has no set map, then as
  // ConstGetSet in the instance's set map.
  const inpM_BaseSet& ConstGetNestedSet(const cow_String& instance, const cow_String& set) const;

  void InsertSet(const cow_String& set, const inpM_BaseSet& value);
  void MergeSet(const cow_String& set, const inpM_BaseSet& value);
  void InsertNestedSet(const cow_String& instance, const cow_String& set, const inpM_BaseSet& value);
  void MergeNestedSet(const cow_String& instance, const cow_String& set, const inpM_BaseSet& value);
  void InsertNestedSetMap(const cow_String& instance, const inpM_BaseSetMap& sets);
  bool HasNestedSet(const cow_String& instance, const cow_String& set) const;
  // The instance's set map stays, even when it becomes empty.
  bool RemoveNestedSet(const cow_String& instance, const cow_String& set);
  // The assembly level (instance set to "") first, then the instances in
  // ascending name order; false and `instance` unchanged when none has it.
  bool SearchAssemblyAndInstancesForSet(const cow_String& set, cow_String& instance) const;

  void Renumber(const inpM_IdMap& idMap, bool inverse);
  // Removes the sets that the clean-up empties and returns the report.
  cow_List<atr_String> Cleanup(const inpM_IdMap& idMap);
  // Cleanup, with a non-empty report written as one warning list.
  void CleanupShowWarning(const inpM_IdMap& idMap);
  void Merge(const inpM_SetMap& other);
  // Instance names of the nested set maps, in the map's own order.
  cow_List<cow_String> Instances() const;
  void ChangeInstanceName(const cow_String& oldName, const cow_String& newName);
  void DeleteAllSetsExceptThoseListed(const cow_List<cow_String>& names);
  void InsertDuplicateOffsetIds(int offset, int count);
  // No assembly sets and no nested set maps.
  bool IsEmpty() const;

  // Read access and single-entry edits for the part map.
  bool HasSet(const cow_String& set) const;
  // Removes an assembly set; false when there was none.
  bool RemoveSet(const cow_String& set);
  bool HasNestedSetMap(const cow_String& instance) const;
  // "Instance %s does not exist" when the instance has no set map.
  const inpM_SetMap& ConstGetNestedSetMap(const cow_String& instance) const;
  const inpM_BaseSetMap& ConstGetSets() const { return sets_; }
  const inpM_NestedSetMaps& ConstGetNestedSetMaps() const { return nested_; }
  // Files an existing handle as an assembly set, sharing it (no copy).
  void InsertSet(const cow_String& set, const inpM_SetHandle& value);
  // Writable handles of an assembly set and of an instance's set, or null
  // when absent, so that a set can grow in place: writing through one
  // detaches only that set (and the chunk of the map that holds it).
  inpM_SetHandle* FindSet(const cow_String& set) { return sets_.Find(set); }
  inpM_SetHandle* FindNestedSet(const cow_String& instance, const cow_String& set) {
    if (!HasNestedSet(instance, set)) return nullptr;
    return nested_.Find(instance)->Get().FindSet(set);
  }

 private:
  void Read(aio_istream& in);

  inpM_BaseSetMap sets_;
  inpM_NestedSetMaps nested_;
};

#endif
