// Internal: the names of the sets of one set map by the key that name
// resolution compares (quotes removed, upper case), so that resolving a
// name costs one hash lookup however many sets the map holds.
#ifndef INPM_SETNAMEINDEX_H
#define INPM_SETNAMEINDEX_H

#include <string>
#include <unordered_map>
#include <utility>

#include "cow.h"
#include "inpM_SetMap.h"

// The key of a name: quotes removed, upper case.
std::string inpM_NameKey(const cow_String& name);

struct inpM_SetNameIndex {
  // Fills both tables from the set map. A key keeps the first name that the
  // resolvers' visit meets: assembly sets in the map's order, instances and
  // their sets in the map's order.
  void Build(const inpM_SetMap& sets, bool flattenedNames);
  void Clear() {
    built = false;
    assembly.clear();
    instances.clear();
  }

  bool built = false;
  // Key -> assembly set name as stored.
  std::unordered_map<std::string, cow_String> assembly;
  // Key of the instance set's name (with flattened names: of the instance
  // name, "_" and the set name) -> (instance, set name) as stored.
  std::unordered_map<std::string, std::pair<cow_String, cow_String>> instances;
};

#endif
