// Internal: what the sources of the sorted and of the unsorted sets share:
// the depth of nested set records being read, gathering ids and testing
// membership.
#ifndef INPM_SETSHARED_H
#define INPM_SETSHARED_H

#include <vector>

#include "inpM_Set.h"

namespace inpM_SetShared {

// The nesting depth of the set records being read in this thread.
int& ReadDepth();

void AppendIds(std::vector<int>& out, const inpM_OmiSet& ids);
void AppendIds(std::vector<int>& out, const cow_1DArrayList<int>& ids);

// Whether removing `id` from the set would remove something; lets the
// removals write only to the part of a shared set that actually changes.
bool Holds(const inpM_BaseSet& set, int id);
bool Holds(const inpM_SortedSet& set, int id);

}  // namespace inpM_SetShared

#endif
