// Shared helpers of the part map library: double quotes in names, name
// comparisons that ignore quotes or case, the ascending sort of an id list,
// and the layout of a message that lists many collected items under one
// heading. All operations are static and keep no state.
#ifndef INPM_UTILS_H
#define INPM_UTILS_H

#include "atr.h"
#include "cow.h"
#include "kvl_api.h"

class inpM_Utils {
 public:
  KVL_API static cow_String RemoveQuotes(const cow_String& name);
  KVL_API static cow_String AddQuotes(const cow_String& name);
  KVL_API static bool Quotes(const cow_String& name);
  KVL_API static bool CompareIgnoreQuotes(const cow_String& a, const cow_String& b);
  KVL_API static bool CompareIgnoreCaseAndQuotes(const cow_String& a, const cow_String& b);
  // Internal to the library (not exported).
  static bool CompareIgnoreCase(const cow_String& a, const cow_String& b);
  static int FindIgnoreCase(const cow_String& text, const cow_String& pattern, int start);
  KVL_API static int SortCmp(const void* a, const void* b);
  KVL_API static void Sort(cow_1DArrayList<int>& ids);
  KVL_API static atr_String FormatCollectedErrors(const atr_String& heading, const cow_List<cow_String>& items);
  KVL_API static atr_String FormatCollectedErrors(const atr_String& heading, const cow_1DArrayList<int>& ids);
};

#endif
