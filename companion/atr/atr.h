// KVLatr: message strings.
//
// Messages come in two kinds: translatable ones (atr_translate, a printf-like
// format whose conversions are filled in order) and raw ones (atr_raw, taken
// literally, whose "%s" / "%1$s".."%5$s" placeholders are filled with
// ReplaceNonTranslated). Translation itself is the identity here: the text of
// a message is the text of its format.
#ifndef KVL_ATR_H
#define KVL_ATR_H

#include <climits>
#include <string>
#include <vector>

#include "cow.h"
#include "kvl_api.h"

KVL_API void atr_initialize(int& level);
KVL_API void atr_finalize(int& level);

class KVL_API atr_String {
 public:
  atr_String() = default;
  atr_String(const char* s) : s_(s ? s : "") {}  // NOLINT: implicit by design
  atr_String(const char* s, int n) : s_(s, static_cast<size_t>(n < 0 ? 0 : n)) {}
  explicit atr_String(int v);
  // Shortest text that reads back to the same value, as streams print doubles.
  explicit atr_String(double v);
  atr_String(const cow_String& s) : s_(s.str()) {}  // NOLINT
  atr_String(std::string s) : s_(std::move(s)) {}   // NOLINT

  const char* c_str() const { return s_.c_str(); }
  int Length() const { return static_cast<int>(s_.size()); }
  bool IsEmpty() const { return s_.empty(); }
  const std::string& str() const { return s_; }
  char operator[](int i) const { return s_[static_cast<size_t>(i)]; }

  static constexpr int npos = -1;
  int Find(const atr_String& pattern, int start = 0) const;
  atr_String Substr(int pos, int count = npos) const;
  atr_String& ToUpper();
  atr_String& LeftTrim(const char* set = " ");
  atr_String& RightTrim(const char* set = " ");
  atr_String& Trim(const char* set = " ") { return LeftTrim(set).RightTrim(set); }
  // Erase(0, INT_MAX) empties the string.
  atr_String& Erase(int pos, int count = INT_MAX);
  atr_String& append(const atr_String& s) {
    s_ += s.s_;
    return *this;
  }

  // Fills a placeholder literally: k = 0 the first plain "%s", k = 1..5 every
  // "%k$s". A placeholder that is not there leaves the message unchanged.
  atr_String& ReplaceNonTranslated(int k, const atr_String& value);
  atr_String& ReplaceNonTranslated(int k, const cow_String& value) { return ReplaceNonTranslated(k, atr_String(value)); }
  atr_String& ReplaceNonTranslated(int k, const char* value) { return ReplaceNonTranslated(k, atr_String(value)); }
  atr_String& ReplaceNonTranslated(int k, int value) { return ReplaceNonTranslated(k, atr_String(value)); }

  friend bool operator==(const atr_String& a, const atr_String& b) { return a.s_ == b.s_; }

 private:
  std::string s_;
};

using atr_StringBase = atr_String;

// A message taken literally, never translated.
inline atr_String atr_raw(const char* text) { return atr_String(text); }

// A translatable printf-style message. Conversions "%s" and "%d" receive the
// substituted values in order (k counted from 1); "%k$s" / "%k$d" name the
// value explicitly; "%%" is a percent sign. A conversion without a value is
// kept as written.
class KVL_API atr_translate {
 public:
  explicit atr_translate(const char* format) : format_(format ? format : "") {}
  void Substitute(int k, const atr_String& value);
  atr_String Result() const;

 private:
  std::string format_;
  std::vector<std::pair<bool, std::string>> values_;  // (given, text) by k - 1
};

inline void atr_SubstituteFormat(atr_translate& t, int k, const atr_String& v) { t.Substitute(k, v); }
inline void atr_SubstituteFormat(atr_translate& t, int k, const cow_String& v) { t.Substitute(k, atr_String(v)); }
inline void atr_SubstituteFormat(atr_translate& t, int k, const char* v) { t.Substitute(k, atr_String(v)); }
inline void atr_SubstituteFormat(atr_translate& t, int k, int v) { t.Substitute(k, atr_String(v)); }

#endif
