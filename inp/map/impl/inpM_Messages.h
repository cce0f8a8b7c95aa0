// Internal: how the library reports errors in the user's data or calls.
#ifndef INPM_MESSAGES_H
#define INPM_MESSAGES_H

#include "atr.h"
#include "wip.h"

// A translatable message whose conversions receive `values` in order.
template <class... A>
atr_String inpM_Message(const char* format, const A&... values) {
  atr_translate t(format);
  int k = 1;
  (atr_SubstituteFormat(t, k++, values), ...);
  return t.Result();
}

// Reports the message through the calling thread's error service at level 0,
// which does not return.
template <class... A>
[[noreturn]] void inpM_ReportError(const char* format, const A&... values) {
  wip_Error(inpM_Message(format, values...));
}

#endif
