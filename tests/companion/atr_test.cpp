// Message strings: substitution into translatable and raw messages, and the
// string operations that messages are built with.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "atr.h"

namespace {

std::string Text(const atr_String& s) { return s.str(); }

// ---------------------------------------------------------------------------
// Translatable messages

TEST(AtrTranslate, ConversionsReceiveValuesInOrder) {
  atr_translate t("Set %s of instance %s has %d members.");
  atr_SubstituteFormat(t, 1, "S1");
  atr_SubstituteFormat(t, 2, cow_String("Part-1-1"));
  atr_SubstituteFormat(t, 3, -12);
  EXPECT_EQ(Text(t.Result()), "Set S1 of instance Part-1-1 has -12 members.");
}

TEST(AtrTranslate, SubstitutionOrderDoesNotMatter) {
  atr_translate t("%s-%s");
  atr_SubstituteFormat(t, 2, "b");
  atr_SubstituteFormat(t, 1, "a");
  EXPECT_EQ(Text(t.Result()), "a-b");
  // A later substitution of the same position replaces the earlier one.
  atr_SubstituteFormat(t, 1, "c");
  EXPECT_EQ(Text(t.Result()), "c-b");
}

TEST(AtrTranslate, PositionalConversions) {
  atr_translate t("%2$s before %1$s, and %1$s again (%3$d)");
  atr_SubstituteFormat(t, 1, "first");
  atr_SubstituteFormat(t, 2, atr_String("second"));
  atr_SubstituteFormat(t, 3, 3);
  EXPECT_EQ(Text(t.Result()), "second before first, and first again (3)");
}

TEST(AtrTranslate, MessageValuesAreNotExpandedAgain) {
  atr_translate inner("%s%%");
  atr_SubstituteFormat(inner, 1, 50);
  atr_translate outer("%s: %s");
  atr_SubstituteFormat(outer, 1, inner.Result());
  atr_SubstituteFormat(outer, 2, "%d %s %1$s");
  EXPECT_EQ(Text(outer.Result()), "50%: %d %s %1$s");
}

TEST(AtrTranslate, FormatsWithoutValues) {
  EXPECT_EQ(Text(atr_translate("plain text").Result()), "plain text");
  EXPECT_EQ(Text(atr_translate("").Result()), "");
  EXPECT_EQ(Text(atr_translate(nullptr).Result()), "");
  EXPECT_EQ(Text(atr_translate("100%% done").Result()), "100% done");
  // Conversions without a value, and texts that are no conversion, stay as
  // written.
  EXPECT_EQ(Text(atr_translate("%s and %d").Result()), "%s and %d");
  EXPECT_EQ(Text(atr_translate("50% off, %x, %1$q, %0$s, %").Result()), "50% off, %x, %1$q, %0$s, %");

  atr_translate partial("%s/%s/%s");
  atr_SubstituteFormat(partial, 2, "b");
  EXPECT_EQ(Text(partial.Result()), "%s/b/%s");
  // Positions that name no conversion are harmless.
  atr_SubstituteFormat(partial, 9, "x");
  atr_SubstituteFormat(partial, 0, "x");
  atr_SubstituteFormat(partial, -1, "x");
  EXPECT_EQ(Text(partial.Result()), "%s/b/%s");
}

TEST(AtrTranslate, HeadingAndBodyLayout) {
  // The two-value layout that collected error lists use.
  atr_translate t("%s%s\n");
  atr_SubstituteFormat(t, 1, "H");
  atr_SubstituteFormat(t, 2, "\n    A\n");
  EXPECT_EQ(Text(t.Result()), "H\n    A\n\n");
}

// ---------------------------------------------------------------------------
// Raw messages

TEST(AtrReplaceNonTranslated, PlainPlaceholderFillsOneAtATime) {
  atr_String m = atr_raw("Instance %s has no set %s.");
  m.ReplaceNonTranslated(0, "I1");
  EXPECT_EQ(Text(m), "Instance I1 has no set %s.");
  m.ReplaceNonTranslated(0, 42);
  EXPECT_EQ(Text(m), "Instance I1 has no set 42.");
  m.ReplaceNonTranslated(0, "again");
  EXPECT_EQ(Text(m), "Instance I1 has no set 42.");
}

TEST(AtrReplaceNonTranslated, NumberedPlaceholders) {
  for (int k = 1; k <= 5; ++k) {
    std::string placeholder = "%";
    placeholder += std::to_string(k);
    placeholder += "$s";
    atr_String m = atr_raw(("<" + placeholder + "|%9$s|" + placeholder + ">").c_str());
    m.ReplaceNonTranslated(k, cow_String("v"));
    EXPECT_EQ(Text(m), "<v|%9$s|v>") << "k = " << k;
  }
}

TEST(AtrReplaceNonTranslated, FillsEachPlaceholderLiterally) {
  atr_String m = atr_raw("No part map is current: %2$s (%1$s), %s, %3$s%%");
  m.ReplaceNonTranslated(1, "file.prt");
  m.ReplaceNonTranslated(2, atr_String("GETPARTINFO"));
  m.ReplaceNonTranslated(3, 7);
  EXPECT_EQ(Text(m), "No part map is current: GETPARTINFO (file.prt), %s, 7%%");
  // A value that looks like a placeholder is not filled again.
  atr_String n = atr_raw("%1$s and %s");
  n.ReplaceNonTranslated(1, "%1$s");
  n.ReplaceNonTranslated(0, "%s");
  EXPECT_EQ(Text(n), "%1$s and %s");
  n.ReplaceNonTranslated(0, "x");
  EXPECT_EQ(Text(n), "%1$s and x");
}

TEST(AtrReplaceNonTranslated, MissingPlaceholderLeavesTheMessage) {
  atr_String m = atr_raw("nothing to fill");
  m.ReplaceNonTranslated(0, "x");
  m.ReplaceNonTranslated(1, "x");
  m.ReplaceNonTranslated(6, "x");
  m.ReplaceNonTranslated(-1, "x");
  EXPECT_EQ(Text(m), "nothing to fill");
  // The plain placeholder is not part of a numbered one.
  atr_String n = atr_raw("%1$s");
  n.ReplaceNonTranslated(0, "x");
  EXPECT_EQ(Text(n), "%1$s");
}

// ---------------------------------------------------------------------------
// Numbers as text

TEST(AtrStringNumbers, IntegersInDecimal) {
  EXPECT_EQ(Text(atr_String(-17)), "-17");
  EXPECT_EQ(Text(atr_String(INT_MAX)), "2147483647");
  EXPECT_EQ(Text(atr_String(INT_MIN)), "-2147483648");
}

TEST(AtrStringNumbers, DoublesInShortestTextThatReadsBack) {
  EXPECT_EQ(Text(atr_String(0.1)), "0.1");
  EXPECT_EQ(Text(atr_String(100.0)), "100");
  EXPECT_EQ(Text(atr_String(-2.5)), "-2.5");
  EXPECT_EQ(Text(atr_String(1.0 / 3.0)), "0.3333333333333333");
  EXPECT_EQ(Text(atr_String(1e21)), "1e+21");
  EXPECT_EQ(Text(atr_String(1.5e-7)), "1.5e-07");
  EXPECT_EQ(Text(atr_String(0.1 + 0.2)), "0.30000000000000004");
  for (double v : {3.141592653589793, -1e-300, 1.7976931348623157e308, 4.9e-324, 123456789.125}) {
    const atr_String s(v);
    EXPECT_EQ(std::strtod(s.c_str(), nullptr), v) << s.c_str();
  }
}

// ---------------------------------------------------------------------------
// String operations

TEST(AtrString, Operations) {
  EXPECT_EQ(Text(atr_StringBase("abcdef", 4)), "abcd");
  EXPECT_EQ(atr_StringBase("a\0b", 3).Length(), 3);
  EXPECT_TRUE(atr_StringBase("abc", -1).IsEmpty());
  EXPECT_TRUE(atr_StringBase(static_cast<const char*>(nullptr)).IsEmpty());

  atr_String s("  -- part-1 --\t");
  EXPECT_EQ(Text(s.RightTrim("\t").LeftTrim(" ")), "-- part-1 --");
  EXPECT_EQ(Text(s.Trim("- ").ToUpper()), "PART-1");
  EXPECT_EQ(s.Find("-"), 4);
  EXPECT_EQ(s.Find("T", 5), atr_String::npos);
  EXPECT_EQ(s.Find("T", 100), atr_String::npos);
  EXPECT_EQ(Text(s.Substr(2, 2)), "RT");
  EXPECT_TRUE(s.Substr(6).IsEmpty());
  EXPECT_EQ(s[5], '1');
  s.append(atr_String(" / ")).append("2");
  EXPECT_EQ(Text(s), "PART-1 / 2");
  EXPECT_TRUE(atr_String("xxx").Trim("x").IsEmpty());
}

TEST(AtrString, Erase) {
  atr_String s("abcdef");
  EXPECT_EQ(Text(s.Erase(1, 2)), "adef");
  EXPECT_EQ(Text(s.Erase(2)), "ad");
  EXPECT_EQ(Text(s.Erase(5, 1).Erase(-1, 1).Erase(0, 0)), "ad");
  EXPECT_TRUE(s.Erase(0, INT_MAX).IsEmpty());
  EXPECT_TRUE(s.Erase(0, INT_MAX).IsEmpty());
}

}  // namespace
