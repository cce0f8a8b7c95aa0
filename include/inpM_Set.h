// Node and element sets.
//
// Every set answers the 22 virtual operations of inpM_BaseSet (the slot order
// below is part of the interface). inpM_SortedSet keeps each level in a
// bit-vector set, so ids are unique per level and listed in ascending order;
// inpM_UnsortedSet keeps the order in which ids were given, as a list of
// components (integer sets, name pairs and further unsorted sets).
//
// Sets are values held through copy-on-write handles (inpM_SetHandle) that copy
// with the set's virtual Copy, so a handle keeps the class of what it holds.
// The CreateSet factories make such handles.
#ifndef INPM_SET_H
#define INPM_SET_H

#include <utility>
#include <vector>

#include "cow.h"
#include "inpM_OmiSet.h"
#include "kvl_api.h"
#include "mem.h"

class inpM_IdMap;
class inpM_BaseSet;
class inpM_SortedSet;
class inpM_UnsortedSet;

// The type flag of a set: 0 for a set named in the input, any other value for
// a set that the system made for its own use (an internal set).
enum inpM_SetTypeFlag : int {
  inpM_InputSet = 0,
  // What CreateSet gives for its `internal` argument true.
  inpM_InternalSet = 1,
  // Made by the solver's insertion routines.
  inpM_InsertedInternalSet = 2,
  // Made by the solver's insertion routines; removed, together with the ids it
  // lists, when the part map drops redundant internal sets.
  inpM_RedundantInternalSet = 3,
};

// The fixed code of each set class (GetSetKind).
enum inpM_SetKind : int {
  inpM_BaseSetKind = 0,
  inpM_IntegerSetKind = 1,
  inpM_SetNamePairKind = 2,
  inpM_UnsortedSetKind = 3,
  inpM_SortedSetKind = 4,
};

using inpM_SetHandle = cow_ArrayCOW<inpM_BaseSet, cow_Virtual<inpM_BaseSet>>;
using inpM_SortedSetHandle = cow_ArrayCOW<inpM_SortedSet, cow_Direct<inpM_SortedSet>>;
using inpM_InstanceIdsMap = cow_Map<cow_String, cow_1DArrayList<int>>;

class KVL_API inpM_BaseSet {
 public:
  explicit inpM_BaseSet(inpM_SetTypeFlag typeFlag = inpM_InputSet) : typeFlag_(typeFlag) {}
  // Slots 0 to 21, in this order.
  virtual ~inpM_BaseSet();
  virtual void Print(aio_ostream& out) const = 0;
  virtual inpM_BaseSet* Copy() const = 0;
  virtual void Add(const cow_String& instance, int id) = 0;
  virtual void Add(int id) = 0;
  virtual void Add(const cow_String& instance, const cow_1DArrayList<int>& ids) = 0;
  virtual void Add(const cow_1DArrayList<int>& ids) = 0;
  virtual void Add(const cow_String& instance, const inpM_BaseSet& set) = 0;
  virtual void Add(const inpM_BaseSet& set) = 0;
  virtual bool Remove(int id) = 0;
  virtual void Renumber(const inpM_IdMap& idMap, bool inverse) = 0;
  virtual bool IsUnsorted() const = 0;
  virtual cow_1DArrayList<int> ConstGetIds() const = 0;
  virtual cow_1DArrayList<int> ConstGetTopLevelIds() const = 0;
  virtual cow_1DArrayList<int> ConstGetSecondLevelIds(const cow_String& instance) const = 0;
  virtual inpM_InstanceIdsMap ConstGetInstanceIdsMap() const = 0;
  virtual void Cleanup(const inpM_IdMap& idMap) = 0;
  virtual void ChangeInstanceName(const cow_String& oldName, const cow_String& newName) = 0;
  virtual bool IsEmpty() const = 0;
  virtual int GetSetKind() const;
  virtual cow_List<cow_String> GatherRootLevelInstanceNames() const = 0;
  virtual inpM_SortedSet GetSortedSetEquivalent() const = 0;

  inpM_SetTypeFlag GetTypeFlag() const { return typeFlag_; }
  void SetTypeFlag(inpM_SetTypeFlag typeFlag) { typeFlag_ = typeFlag; }

 protected:
  inpM_BaseSet(const inpM_BaseSet&) = default;
  inpM_BaseSet& operator=(const inpM_BaseSet&) = default;

 private:
  inpM_SetTypeFlag typeFlag_;
};

// Three levels: top-level ids (the owning level's numbering), second-level
// entries (ids per instance, in that instance's numbering) and instance
// subsets (a whole sorted set per instance). An instance name may be both an
// entry and a subset; the two stay apart.
class KVL_API inpM_SortedSet : public inpM_BaseSet {
 public:
  inpM_SortedSet();
  inpM_SortedSet(const inpM_SortedSet& other);
  inpM_SortedSet(inpM_SortedSet&& other) noexcept;
  inpM_SortedSet& operator=(const inpM_SortedSet& other);
  inpM_SortedSet& operator=(inpM_SortedSet&& other) noexcept;
  explicit inpM_SortedSet(const cow_1DArrayList<int>& ids);
  explicit inpM_SortedSet(const inpM_OmiSet& ids);
  explicit inpM_SortedSet(const inpM_UnsortedSet& set);
  // Reads the stored form; "inpM_SortedSet reading failed." when it cannot.
  explicit inpM_SortedSet(aio_istream& in);
  ~inpM_SortedSet() override;

  void Print(aio_ostream& out) const override;
  inpM_SortedSet* Copy() const override;
  void Add(const cow_String& instance, int id) override;
  void Add(int id) override;
  void Add(const cow_String& instance, const cow_1DArrayList<int>& ids) override;
  void Add(const cow_1DArrayList<int>& ids) override;
  void Add(const cow_String& instance, const inpM_BaseSet& set) override;
  void Add(const inpM_BaseSet& set) override;
  bool Remove(int id) override;
  void Renumber(const inpM_IdMap& idMap, bool inverse) override;
  bool IsUnsorted() const override;
  cow_1DArrayList<int> ConstGetIds() const override;
  cow_1DArrayList<int> ConstGetTopLevelIds() const override;
  cow_1DArrayList<int> ConstGetSecondLevelIds(const cow_String& instance) const override;
  inpM_InstanceIdsMap ConstGetInstanceIdsMap() const override;
  void Cleanup(const inpM_IdMap& idMap) override;
  void ChangeInstanceName(const cow_String& oldName, const cow_String& newName) override;
  bool IsEmpty() const override;
  int GetSetKind() const override;
  cow_List<cow_String> GatherRootLevelInstanceNames() const override;
  inpM_SortedSet GetSortedSetEquivalent() const override;

  // The union, level by level.
  void Add(const inpM_SortedSet& other);
  // Merges `other` into the instance subset of that name (a copy when new).
  void Add(const cow_String& instance, const inpM_SortedSet& other);

  // The smallest id over all levels; inpM_OmiSet::kEmptyMarker when the set
  // holds no id at all.
  int SmallestId() const;

  // Read access to the three levels.
  const inpM_OmiSet& ConstGetTopLevelSet() const { return topLevel_; }
  const cow_Map<cow_String, inpM_OmiSet>& ConstGetSecondLevelEntries() const { return entries_; }
  const cow_Map<cow_String, inpM_SortedSetHandle>& ConstGetInstanceSubsets() const { return subsets_; }

 private:
  void Read(aio_istream& in);

  inpM_OmiSet topLevel_;
  cow_Map<cow_String, inpM_OmiSet> entries_;
  cow_Map<cow_String, inpM_SortedSetHandle> subsets_;
};

// Visits the instance subsets of a sorted set in ascending order of their
// SmallestId. Works on its own copy of the map.
class KVL_API inpM_MapString2SortedSetNSIT {
 public:
  explicit inpM_MapString2SortedSetNSIT(const cow_Map<cow_String, inpM_SortedSetHandle>& map);
  void First() { i_ = 0; }
  void Next() { ++i_; }
  bool IsDone() const { return i_ >= static_cast<int>(order_.size()); }
  const cow_String& CurrentKey() const { return order_[static_cast<size_t>(i_)]->first; }
  const inpM_SortedSetHandle& CurrentValue() const { return order_[static_cast<size_t>(i_)]->second; }

 private:
  cow_Map<cow_String, inpM_SortedSetHandle> map_;
  std::vector<const cow_Map<cow_String, inpM_SortedSetHandle>::Entry*> order_;
  int i_ = 0;
};

// A plain id list in insertion order; duplicates allowed. Only occurs as a
// component of an unsorted set.
class KVL_API inpM_IntegerSet : public inpM_BaseSet {
 public:
  inpM_IntegerSet();
  explicit inpM_IntegerSet(const cow_1DArrayList<int>& ids);
  // Reads the stored form; "inpM_IntegerSet reading failed." when it cannot.
  explicit inpM_IntegerSet(aio_istream& in);
  inpM_IntegerSet(const inpM_IntegerSet& other);
  inpM_IntegerSet& operator=(const inpM_IntegerSet& other);
  ~inpM_IntegerSet() override;

  void Print(aio_ostream& out) const override;
  inpM_IntegerSet* Copy() const override;
  void Add(const cow_String& instance, int id) override;
  void Add(int id) override;
  void Add(const cow_String& instance, const cow_1DArrayList<int>& ids) override;
  void Add(const cow_1DArrayList<int>& ids) override;
  void Add(const cow_String& instance, const inpM_BaseSet& set) override;
  void Add(const inpM_BaseSet& set) override;
  bool Remove(int id) override;
  void Renumber(const inpM_IdMap& idMap, bool inverse) override;
  bool IsUnsorted() const override;
  cow_1DArrayList<int> ConstGetIds() const override;
  cow_1DArrayList<int> ConstGetTopLevelIds() const override;
  cow_1DArrayList<int> ConstGetSecondLevelIds(const cow_String& instance) const override;
  inpM_InstanceIdsMap ConstGetInstanceIdsMap() const override;
  void Cleanup(const inpM_IdMap& idMap) override;
  void ChangeInstanceName(const cow_String& oldName, const cow_String& newName) override;
  bool IsEmpty() const override;
  int GetSetKind() const override;
  cow_List<cow_String> GatherRootLevelInstanceNames() const override;
  inpM_SortedSet GetSortedSetEquivalent() const override;

  const cow_1DArrayList<int>& ConstGetList() const { return ids_; }

 private:
  cow_1DArrayList<int> ids_;
};

// One instance's set: the instance name and a set in that instance's
// numbering. Only occurs as a component of an unsorted set.
class KVL_API inpM_SetNamePair : public inpM_BaseSet {
 public:
  inpM_SetNamePair(const cow_String& instance, const inpM_BaseSet& set);
  // Reads the stored form; "inpM_SetNamePair reading failed." when it cannot.
  explicit inpM_SetNamePair(aio_istream& in);
  inpM_SetNamePair(const inpM_SetNamePair& other);
  inpM_SetNamePair& operator=(const inpM_SetNamePair& other);
  ~inpM_SetNamePair() override;

  void Print(aio_ostream& out) const override;
  inpM_SetNamePair* Copy() const override;
  void Add(const cow_String& instance, int id) override;
  void Add(int id) override;
  void Add(const cow_String& instance, const cow_1DArrayList<int>& ids) override;
  void Add(const cow_1DArrayList<int>& ids) override;
  void Add(const cow_String& instance, const inpM_BaseSet& set) override;
  void Add(const inpM_BaseSet& set) override;
  bool Remove(int id) override;
  void Renumber(const inpM_IdMap& idMap, bool inverse) override;
  bool IsUnsorted() const override;
  cow_1DArrayList<int> ConstGetIds() const override;
  cow_1DArrayList<int> ConstGetTopLevelIds() const override;
  cow_1DArrayList<int> ConstGetSecondLevelIds(const cow_String& instance) const override;
  inpM_InstanceIdsMap ConstGetInstanceIdsMap() const override;
  void Cleanup(const inpM_IdMap& idMap) override;
  void ChangeInstanceName(const cow_String& oldName, const cow_String& newName) override;
  bool IsEmpty() const override;
  int GetSetKind() const override;
  cow_List<cow_String> GatherRootLevelInstanceNames() const override;
  inpM_SortedSet GetSortedSetEquivalent() const override;

  const cow_String& ConstGetName() const { return name_; }
  // The inner set; empty only after reading a record of an unknown kind.
  const inpM_SetHandle& ConstGetSet() const { return set_; }

 private:
  cow_String name_;
  inpM_SetHandle set_;
};

// Ids in the order given, duplicates kept: a list of components, each an
// integer set, a name pair or another unsorted set. Every addition appends a
// component.
class KVL_API inpM_UnsortedSet : public inpM_BaseSet {
 public:
  // No components.
  inpM_UnsortedSet();
  // One integer component holding `ids` (also when `ids` is empty).
  explicit inpM_UnsortedSet(const cow_1DArrayList<int>& ids);
  explicit inpM_UnsortedSet(const inpM_SortedSet& set);
  // Reads the stored form; "inpM_UnsortedSet reading failed." when it cannot.
  explicit inpM_UnsortedSet(aio_istream& in);
  inpM_UnsortedSet(const inpM_UnsortedSet& other);
  inpM_UnsortedSet& operator=(const inpM_UnsortedSet& other);
  ~inpM_UnsortedSet() override;

  void Print(aio_ostream& out) const override;
  inpM_UnsortedSet* Copy() const override;
  void Add(const cow_String& instance, int id) override;
  void Add(int id) override;
  void Add(const cow_String& instance, const cow_1DArrayList<int>& ids) override;
  void Add(const cow_1DArrayList<int>& ids) override;
  void Add(const cow_String& instance, const inpM_BaseSet& set) override;
  void Add(const inpM_BaseSet& set) override;
  bool Remove(int id) override;
  void Renumber(const inpM_IdMap& idMap, bool inverse) override;
  bool IsUnsorted() const override;
  cow_1DArrayList<int> ConstGetIds() const override;
  cow_1DArrayList<int> ConstGetTopLevelIds() const override;
  cow_1DArrayList<int> ConstGetSecondLevelIds(const cow_String& instance) const override;
  inpM_InstanceIdsMap ConstGetInstanceIdsMap() const override;
  void Cleanup(const inpM_IdMap& idMap) override;
  void ChangeInstanceName(const cow_String& oldName, const cow_String& newName) override;
  bool IsEmpty() const override;
  int GetSetKind() const override;
  cow_List<cow_String> GatherRootLevelInstanceNames() const override;
  inpM_SortedSet GetSortedSetEquivalent() const override;

  const cow_1DArrayList<inpM_SetHandle>& ConstGetComponents() const { return components_; }

 private:
  cow_1DArrayList<inpM_SetHandle> components_;
};

// Factories. `unsorted` chooses an inpM_UnsortedSet (true) or an
// inpM_SortedSet (false); `internal` true gives type flag 1, false 0.
KVL_API inpM_SetHandle CreateSet(bool internal, bool unsorted);
KVL_API inpM_SetHandle CreateSet(inpM_SetTypeFlag flag, bool unsorted);
// Reads an unsorted or a sorted set record.
KVL_API inpM_SetHandle CreateSet(aio_istream& in, bool unsorted);
KVL_API inpM_SetHandle CreateSet(const cow_1DArrayList<int>& ids, bool internal, bool unsorted);
KVL_API inpM_SetHandle CreateSet(const cow_1DArrayList<int>& ids, inpM_SetTypeFlag flag, bool unsorted);
// A copy of a sorted or unsorted set; an empty handle for integer and
// name-pair sets.
KVL_API inpM_SetHandle CreateSet(const inpM_BaseSet& set);

#endif
