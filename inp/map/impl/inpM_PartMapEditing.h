// Internal: the steps that the part map's edits and its id and set
// maintenance share.
#ifndef INPM_PARTMAPEDITING_H
#define INPM_PARTMAPEDITING_H

#include "inpM_SetMap.h"

// Adds ids to the set filed under `set`: an assembly set when `nested` is
// null, else the set of instance *nested. The ids go in as the ids of
// *instance when `instance` is not null, else as top-level ids. An existing
// set keeps its type flag and order (`unsorted` true turns it unsorted); a
// missing one is made with `typeFlag`, sorted unless `unsorted`.
void inpM_AddToSet(inpM_SetMap& sets, const cow_String& set, const cow_String* nested, const cow_String* instance,
                   const cow_1DArrayList<int>& ids, inpM_SetTypeFlag typeFlag, bool unsorted);

#endif
