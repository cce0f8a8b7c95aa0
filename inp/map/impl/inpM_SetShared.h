// Internal: what the sources of the sorted and of the unsorted sets share:
// the steps of reading a set record, gathering ids and testing membership.
#ifndef INPM_SETSHARED_H
#define INPM_SETSHARED_H

#include <vector>

#include "inpM_Set.h"

namespace inpM_SetShared {

// Counts one level of set records being read; reports `message` when the
// records nest too deep.
class ReadDepthGuard {
 public:
  explicit ReadDepthGuard(const char* message);
  ~ReadDepthGuard();
  ReadDepthGuard(const ReadDepthGuard&) = delete;
  ReadDepthGuard& operator=(const ReadDepthGuard&) = delete;
};

void Check(const aio_istream& in, const char* message);
int ReadCount(aio_istream& in, const char* message);
void DiscardLine(aio_istream& in);
cow_String ReadName(aio_istream& in, const char* message);
std::vector<int> ReadIds(aio_istream& in, int n, const char* message);

void AppendIds(std::vector<int>& out, const inpM_OmiSet& ids);
void AppendIds(std::vector<int>& out, const cow_1DArrayList<int>& ids);

// Whether removing `id` from the set would remove something; lets the
// removals write only to the part of a shared set that actually changes.
bool Holds(const inpM_BaseSet& set, int id);
bool Holds(const inpM_SortedSet& set, int id);

}  // namespace inpM_SetShared

#endif
