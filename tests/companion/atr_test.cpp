// Message strings: substitution into translatable and raw messages, and the
// string operations that messages are built with.
#include "atr.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

namespace {

using Values = std::vector<std::pair<int, const char*>>;  // (position, value), applied in order

TEST(AtrTranslate, ConversionsTakeTheirValuesLiterally) {
  const struct { const char* format; Values values; const char* expected; } cases[] = {
      {"Set %s of instance %s has %s members.",
       {{1, "S1"}, {2, "Part-1-1"}, {3, "-12"}},
       "Set S1 of instance Part-1-1 has -12 members."},
      {"%s-%s", {{2, "b"}, {1, "a"}, {1, "c"}}, "c-b"},  // any order; a later value replaces
      {"%2$s before %1$s, and %1$s again", {{1, "first"}, {2, "second"}}, "second before first, and first again"},
      {"%s: %s", {{1, "50%"}, {2, "%d %s %1$s"}}, "50%: %d %s %1$s"},  // values are not expanded again
      {"%s%s\n", {{1, "H"}, {2, "\n    A\n"}}, "H\n    A\n\n"},        // the layout of collected error lists
      {"plain text", {}, "plain text"},
      {"", {}, ""},
      {"100%% done", {}, "100% done"},
      // Conversions without a value, and texts that are no conversion, stay.
      {"%s and %d", {}, "%s and %d"},
      {"50% off, %x, %1$q, %0$s, %", {}, "50% off, %x, %1$q, %0$s, %"},
      {"%s/%s/%s", {{2, "b"}, {9, "x"}, {0, "x"}, {-1, "x"}}, "%s/b/%s"},
  };
  for (const auto& c : cases) {
    atr_translate t(c.format);
    for (const auto& [k, v] : c.values) atr_SubstituteFormat(t, k, v);
    EXPECT_EQ(t.Result().str(), c.expected) << c.format;
  }
  atr_translate kinds("%s %s %d");
  atr_SubstituteFormat(kinds, 1, cow_String("cow"));
  atr_SubstituteFormat(kinds, 2, atr_String("atr"));
  atr_SubstituteFormat(kinds, 3, -7);
  EXPECT_EQ(kinds.Result().str(), "cow atr -7");
  EXPECT_EQ(atr_translate(nullptr).Result().str(), "");
}

TEST(AtrReplaceNonTranslated, FillsEachPlaceholderLiterallyOnce) {
  const struct { const char* message; Values values; const char* expected; } cases[] = {
      {"Instance %s has no set %s.", {{0, "I1"}, {0, "42"}, {0, "again"}}, "Instance I1 has no set 42."},
      {"No part map is current: %2$s (%1$s), %s, %3$s%%",
       {{1, "file.prt"}, {2, "GETPARTINFO"}, {3, "7"}},
       "No part map is current: GETPARTINFO (file.prt), %s, 7%%"},
      {"<%4$s|%9$s|%4$s>", {{4, "v"}}, "<v|%9$s|v>"},
      {"%5$s", {{5, "v"}}, "v"},
      {"%1$s and %s", {{1, "%1$s"}, {0, "%s"}}, "%1$s and %s"},  // a value is not filled by its own call
      {"nothing to fill", {{0, "x"}, {1, "x"}, {6, "x"}, {-1, "x"}}, "nothing to fill"},
      {"%1$s", {{0, "x"}}, "%1$s"},  // the plain placeholder is not part of a numbered one
  };
  for (const auto& c : cases) {
    atr_String m = atr_raw(c.message);
    for (const auto& [k, v] : c.values) m.ReplaceNonTranslated(k, v);
    EXPECT_EQ(m.str(), c.expected) << c.message;
  }
  atr_String n = atr_raw("%1$s %2$s %s");
  n.ReplaceNonTranslated(1, cow_String("cow")).ReplaceNonTranslated(2, atr_String("atr")).ReplaceNonTranslated(0, 3);
  EXPECT_EQ(n.str(), "cow atr 3");
}

TEST(AtrString, NumbersAndOperations) {
  EXPECT_EQ(atr_String(-17).str(), "-17");
  EXPECT_EQ(atr_String(INT_MIN).str(), "-2147483648");
  EXPECT_EQ(atr_StringBase("abcdef", 4).str(), "abcd");
  EXPECT_EQ(atr_StringBase("a\0b", 3).Length(), 3);
  EXPECT_TRUE(atr_StringBase("abc", -1).IsEmpty());
  EXPECT_TRUE(atr_StringBase(static_cast<const char*>(nullptr)).IsEmpty());
  atr_String s("  -- part-1 --\t");
  EXPECT_EQ(s.RightTrim("\t").LeftTrim(" ").str(), "-- part-1 --");
  EXPECT_EQ(s.Trim("- ").ToUpper().str(), "PART-1");
  EXPECT_EQ(s.Find("-"), 4);
  EXPECT_EQ(s.Find("T", 5), atr_String::npos);
  EXPECT_EQ(s.Find("T", 100), atr_String::npos);
  EXPECT_EQ(s.Substr(2, 2).str(), "RT");
  EXPECT_TRUE(s.Substr(6).IsEmpty());
  EXPECT_EQ(s[5], '1');
  s.append(atr_String(" / ")).append("2");
  EXPECT_EQ(s.str(), "PART-1 / 2");
  atr_String e("abcdef");
  EXPECT_EQ(e.Erase(1, 2).str(), "adef");
  EXPECT_EQ(e.Erase(2).str(), "ad");
  EXPECT_EQ(e.Erase(5, 1).Erase(-1, 1).Erase(0, 0).str(), "ad");
  EXPECT_TRUE(e.Erase(0, INT_MAX).IsEmpty());
}

}  // namespace
