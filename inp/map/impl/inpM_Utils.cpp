#include "inpM_Utils.h"

#include <cstdlib>
#include <string>

cow_String inpM_Utils::RemoveQuotes(const cow_String& name) {
  cow_String s = name;
  s.LeftTrim("\"");
  s.RightTrim("\"");
  return s;
}

cow_String inpM_Utils::AddQuotes(const cow_String& name) { return cow_String("\"") + RemoveQuotes(name) + cow_String("\""); }

bool inpM_Utils::Quotes(const cow_String& name) {
  return name.Length() > 0 && name[0] == '"' && name[name.Length() - 1] == '"';
}

bool inpM_Utils::CompareIgnoreQuotes(const cow_String& a, const cow_String& b) { return RemoveQuotes(a) == RemoveQuotes(b); }

bool inpM_Utils::CompareIgnoreCaseAndQuotes(const cow_String& a, const cow_String& b) {
  return CompareIgnoreCase(RemoveQuotes(a), RemoveQuotes(b));
}

bool inpM_Utils::CompareIgnoreCase(const cow_String& a, const cow_String& b) { return a.ToUpper() == b.ToUpper(); }

int inpM_Utils::FindIgnoreCase(const cow_String& text, const cow_String& pattern, int start) {
  return text.ToUpper().Find(pattern.ToUpper(), start);
}

int inpM_Utils::SortCmp(const void* a, const void* b) {
  const int x = *static_cast<const int*>(a);
  const int y = *static_cast<const int*>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

void inpM_Utils::Sort(cow_1DArrayList<int>& ids) {
  int n = 0;
  std::unique_ptr<int[]> a = ids.GetCArray(n);
  if (n > 1) std::qsort(a.get(), static_cast<size_t>(n), sizeof(int), SortCmp);
  ids.SetFromArray(a.get(), n);
}

atr_String inpM_Utils::FormatCollectedErrors(const atr_String& heading, const cow_List<cow_String>& items) {
  if (items.IsEmpty()) return atr_String();
  // Items join the current line while it and the item together hold at most
  // 80 bytes; the separator about to be added is not counted.
  std::string body = "\n    ";
  std::string line = items[0].str();
  for (int i = 1; i < items.Size(); ++i) {
    const std::string& item = items[i].str();
    if (line.size() + item.size() <= 80) {
      line += ", ";
      line += item;
    } else {
      body += line;
      body += "\n    ";
      line = item;
    }
  }
  body += line;
  body += "\n";
  atr_translate t("%s%s\n");
  atr_SubstituteFormat(t, 1, heading);
  atr_SubstituteFormat(t, 2, atr_String(body));
  return t.Result();
}

atr_String inpM_Utils::FormatCollectedErrors(const atr_String& heading, const cow_1DArrayList<int>& ids) {
  cow_List<cow_String> items;
  for (int id : ids) items.Append(cow_String(std::to_string(id)));
  return FormatCollectedErrors(heading, items);
}
