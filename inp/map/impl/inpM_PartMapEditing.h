// Internal: the steps that the part map's edits and its id and set
// maintenance share.
#ifndef INPM_PARTMAPEDITING_H
#define INPM_PARTMAPEDITING_H

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "inpM_SetMap.h"
#include "omni.h"

// Adds ids to the set filed under `set`: an assembly set when `nested` is
// null, else the set of instance *nested. The ids go in as the ids of
// *instance when `instance` is not null, else as top-level ids. An existing
// set keeps its type flag and order (`unsorted` true turns it unsorted); a
// missing one is made with `typeFlag`, sorted unless `unsorted`. True when
// the set was made.
bool inpM_AddToSet(inpM_SetMap& sets, const cow_String& set, const cow_String* nested, const cow_String* instance,
                   const cow_1DArrayList<int>& ids, inpM_SetTypeFlag typeFlag, bool unsorted);

// Which sets may hold an id: a superset of the sets that hold it (a set
// that lost the id, or went, may stay listed), so that removing an id from
// its sets visits those sets only.
struct inpM_SetHolders {
  // Lists every set of the map under every id that it holds.
  explicit inpM_SetHolders(const inpM_SetMap& sets);
  // Lists a set (of instance `nested`, an assembly set for null) under ids.
  void Add(const cow_String* nested, const cow_String& set, const cow_1DArrayList<int>& ids);
  // The (instance or "", set name) of the sets listed under an id, each once.
  std::vector<std::pair<cow_String, cow_String>> Of(int id) const;

 private:
  uint32_t Ref(const cow_String& instance, const cow_String& set);

  std::vector<std::pair<cow_String, cow_String>> sets_;
  std::map<std::pair<cow_String, cow_String>, uint32_t> refs_;
  // id -> its last link; links chain (set, previous link or -1).
  omi_IntTable<int> last_;
  std::vector<std::pair<uint32_t, int32_t>> links_;
};

#endif
