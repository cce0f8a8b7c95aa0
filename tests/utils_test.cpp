// Name utilities: quotes, comparisons that ignore quotes or case, the sort
// of id lists, and the layout of collected error items. Expected texts are
// written out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "inpM_Utils.h"

namespace {

std::string S(const cow_String& s) { return s.str(); }
std::string S(const atr_String& s) { return s.str(); }

// ---------------------------------------------------------------------------
// Quotes

TEST(UtilsQuotes, RemoveQuotesStripsEveryOuterQuote) {
  EXPECT_EQ(S(inpM_Utils::RemoveQuotes("\"\"name\"\"")), "name");
  EXPECT_EQ(S(inpM_Utils::RemoveQuotes("\"name\"")), "name");
  EXPECT_EQ(S(inpM_Utils::RemoveQuotes("\"name")), "name");
  EXPECT_EQ(S(inpM_Utils::RemoveQuotes("name\"\"\"")), "name");
  EXPECT_EQ(S(inpM_Utils::RemoveQuotes("")), "");
  EXPECT_EQ(S(inpM_Utils::RemoveQuotes("\"")), "");
  EXPECT_EQ(S(inpM_Utils::RemoveQuotes("\"\"\"\"")), "");
  // Inner quotes and blanks stay.
  EXPECT_EQ(S(inpM_Utils::RemoveQuotes("a\"b")), "a\"b");
  EXPECT_EQ(S(inpM_Utils::RemoveQuotes("\" my set \"")), " my set ");
  EXPECT_EQ(S(inpM_Utils::RemoveQuotes("\"a\" \"b\"")), "a\" \"b");
}

TEST(UtilsQuotes, AddQuotesGivesExactlyOneAtEachEnd) {
  EXPECT_EQ(S(inpM_Utils::AddQuotes("name")), "\"name\"");
  EXPECT_EQ(S(inpM_Utils::AddQuotes("\"\"name\"")), "\"name\"");
  EXPECT_EQ(S(inpM_Utils::AddQuotes("\"name\"")), "\"name\"");
  EXPECT_EQ(S(inpM_Utils::AddQuotes("a \"b\" c")), "\"a \"b\" c\"");
  EXPECT_EQ(S(inpM_Utils::AddQuotes("")), "\"\"");
  EXPECT_EQ(S(inpM_Utils::AddQuotes("\"")), "\"\"");
}

TEST(UtilsQuotes, QuotesLooksAtTheFirstAndLastByte) {
  EXPECT_TRUE(inpM_Utils::Quotes("\"name\""));
  EXPECT_TRUE(inpM_Utils::Quotes("\"\""));
  // One quote is both the first and the last byte.
  EXPECT_TRUE(inpM_Utils::Quotes("\""));
  EXPECT_FALSE(inpM_Utils::Quotes(""));
  EXPECT_FALSE(inpM_Utils::Quotes("\"name"));
  EXPECT_FALSE(inpM_Utils::Quotes("name\""));
  EXPECT_FALSE(inpM_Utils::Quotes("na\"me"));
  EXPECT_FALSE(inpM_Utils::Quotes(" \"name\" "));
}

// ---------------------------------------------------------------------------
// Comparisons

TEST(UtilsCompare, IgnoreQuotesIsCaseSensitive) {
  EXPECT_TRUE(inpM_Utils::CompareIgnoreQuotes("\"Part-1\"", "Part-1"));
  EXPECT_TRUE(inpM_Utils::CompareIgnoreQuotes("\"\"Part-1\"", "\"Part-1\"\""));
  EXPECT_TRUE(inpM_Utils::CompareIgnoreQuotes("", "\"\""));
  EXPECT_FALSE(inpM_Utils::CompareIgnoreQuotes("\"part-1\"", "PART-1"));
  EXPECT_FALSE(inpM_Utils::CompareIgnoreQuotes("a\"b", "ab"));
  EXPECT_FALSE(inpM_Utils::CompareIgnoreQuotes("\"a b\"", "ab"));
}

TEST(UtilsCompare, IgnoreCaseAndQuotes) {
  EXPECT_TRUE(inpM_Utils::CompareIgnoreCaseAndQuotes("\"part-1\"", "PART-1"));
  EXPECT_TRUE(inpM_Utils::CompareIgnoreCaseAndQuotes("Set_a", "\"sET_A\""));
  EXPECT_TRUE(inpM_Utils::CompareIgnoreCaseAndQuotes("", ""));
  EXPECT_FALSE(inpM_Utils::CompareIgnoreCaseAndQuotes("\"part-1\"", "PART-2"));
  EXPECT_FALSE(inpM_Utils::CompareIgnoreCaseAndQuotes("\"a \"", "A"));
  EXPECT_FALSE(inpM_Utils::CompareIgnoreCaseAndQuotes("part", "part-1"));
}

TEST(UtilsCompare, IgnoreCaseKeepsQuotes) {
  EXPECT_TRUE(inpM_Utils::CompareIgnoreCase("abc-1_x", "ABC-1_X"));
  EXPECT_FALSE(inpM_Utils::CompareIgnoreCase("\"abc\"", "ABC"));
  EXPECT_FALSE(inpM_Utils::CompareIgnoreCase("ab", "abc"));
}

TEST(UtilsCompare, FindIgnoreCase) {
  const cow_String text("Assembly.Instance-1.NSet");
  EXPECT_EQ(inpM_Utils::FindIgnoreCase(text, "nset", 0), 20);
  EXPECT_EQ(inpM_Utils::FindIgnoreCase(text, "INSTANCE", 0), 9);
  EXPECT_EQ(inpM_Utils::FindIgnoreCase(text, "s", 1), 1);
  EXPECT_EQ(inpM_Utils::FindIgnoreCase(text, "s", 3), 11);
  EXPECT_EQ(inpM_Utils::FindIgnoreCase(text, "S", 12), 21);
  EXPECT_EQ(inpM_Utils::FindIgnoreCase(text, "nset", 21), cow_String::npos);
  EXPECT_EQ(inpM_Utils::FindIgnoreCase(text, "elset", 0), cow_String::npos);
}

// ---------------------------------------------------------------------------
// Sorting ids

TEST(UtilsSort, SortCmpGivesMinusOneZeroOne) {
  const int values[] = {INT_MIN, -1, 0, 7, INT_MAX};
  for (int a : values) {
    for (int b : values) {
      const int expected = a < b ? -1 : a > b ? 1 : 0;
      EXPECT_EQ(inpM_Utils::SortCmp(&a, &b), expected) << a << " vs " << b;
    }
  }
}

TEST(UtilsSort, AscendingWithDuplicates) {
  cow_1DArrayList<int> ids{5, -2, 9, -2, 0, INT_MAX, INT_MIN, 5};
  inpM_Utils::Sort(ids);
  EXPECT_EQ(ids, (cow_1DArrayList<int>{INT_MIN, -2, -2, 0, 5, 5, 9, INT_MAX}));
}

TEST(UtilsSort, EmptyAndSingleLists) {
  cow_1DArrayList<int> empty;
  inpM_Utils::Sort(empty);
  EXPECT_TRUE(empty.IsEmpty());
  cow_1DArrayList<int> one{42};
  inpM_Utils::Sort(one);
  EXPECT_EQ(one, (cow_1DArrayList<int>{42}));
}

TEST(UtilsSort, CopyKeepsItsOrder) {
  cow_1DArrayList<int> ids{3, 1, 2};
  const cow_1DArrayList<int> copy = ids;
  inpM_Utils::Sort(ids);
  EXPECT_EQ(ids, (cow_1DArrayList<int>{1, 2, 3}));
  EXPECT_EQ(copy, (cow_1DArrayList<int>{3, 1, 2}));
}

TEST(UtilsSort, LargeRandomList) {
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> dist(-1000, 1000);
  std::vector<int> values(20000);
  for (int& v : values) v = dist(gen);
  cow_1DArrayList<int> ids(values);
  inpM_Utils::Sort(ids);
  std::sort(values.begin(), values.end());
  EXPECT_EQ(ids.ConstVector(), values);
}

// ---------------------------------------------------------------------------
// Collected error items

TEST(UtilsFormatCollectedErrors, ThreeShortItems) {
  const cow_List<cow_String> items{"A", "B", "C"};
  EXPECT_EQ(S(inpM_Utils::FormatCollectedErrors("H", items)), "H\n    A, B, C\n\n");
}

TEST(UtilsFormatCollectedErrors, TwelveItemsOfFiveBytesPerLine) {
  cow_List<cow_String> items;
  for (int i = 1; i <= 30; ++i) items.Append(cow_String((i < 10 ? "SET0" : "SET") + std::to_string(i)));
  EXPECT_EQ(S(inpM_Utils::FormatCollectedErrors("The following sets are empty:", items)),
            "The following sets are empty:\n"
            "    SET01, SET02, SET03, SET04, SET05, SET06, SET07, SET08, SET09, SET10, SET11, SET12\n"
            "    SET13, SET14, SET15, SET16, SET17, SET18, SET19, SET20, SET21, SET22, SET23, SET24\n"
            "    SET25, SET26, SET27, SET28, SET29, SET30\n"
            "\n");
}

TEST(UtilsFormatCollectedErrors, LineLimitIsEightyBytesBeforeTheSeparator) {
  const std::string a40(40, 'a');
  const std::string b40(40, 'b');
  const std::string b41(41, 'b');
  // 40 + 40 is at most 80: one line of 82 bytes.
  EXPECT_EQ(S(inpM_Utils::FormatCollectedErrors("H", cow_List<cow_String>{a40, b40, "c"})),
            "H\n    " + a40 + ", " + b40 + "\n    c\n\n");
  // 40 + 41 is more.
  EXPECT_EQ(S(inpM_Utils::FormatCollectedErrors("H", cow_List<cow_String>{a40, b41})),
            "H\n    " + a40 + "\n    " + b41 + "\n\n");
}

TEST(UtilsFormatCollectedErrors, LongItemStandsAlone) {
  const std::string x81(81, 'x');
  EXPECT_EQ(S(inpM_Utils::FormatCollectedErrors("H", cow_List<cow_String>{"a", x81, "b"})),
            "H\n    a\n    " + x81 + "\n    b\n\n");
  EXPECT_EQ(S(inpM_Utils::FormatCollectedErrors("H", cow_List<cow_String>{x81})), "H\n    " + x81 + "\n\n");
}

TEST(UtilsFormatCollectedErrors, TextIsTakenLiterally) {
  // Neither the heading nor the items are formats themselves.
  EXPECT_EQ(S(inpM_Utils::FormatCollectedErrors("100% of %s:", cow_List<cow_String>{"%d", "%1$s"})),
            "100% of %s:\n    %d, %1$s\n\n");
  EXPECT_EQ(S(inpM_Utils::FormatCollectedErrors("", cow_List<cow_String>{"A"})), "\n    A\n\n");
}

TEST(UtilsFormatCollectedErrors, IdsKeepTheirOrderAndDuplicates) {
  EXPECT_EQ(S(inpM_Utils::FormatCollectedErrors("Unknown ids:", cow_1DArrayList<int>{7, 3, 7})),
            "Unknown ids:\n    7, 3, 7\n\n");
  EXPECT_EQ(S(inpM_Utils::FormatCollectedErrors("H", cow_1DArrayList<int>{-5, INT_MIN})), "H\n    -5, -2147483648\n\n");
}

TEST(UtilsFormatCollectedErrors, IdsAreLaidOutByTheirDecimalText) {
  cow_1DArrayList<int> ids;
  for (int id = 10001; id <= 10013; ++id) ids.Append(id);
  EXPECT_EQ(S(inpM_Utils::FormatCollectedErrors("H", ids)),
            "H\n"
            "    10001, 10002, 10003, 10004, 10005, 10006, 10007, 10008, 10009, 10010, 10011, 10012\n"
            "    10013\n"
            "\n");
}

TEST(UtilsFormatCollectedErrors, NoItemsGiveAnEmptyMessage) {
  EXPECT_TRUE(inpM_Utils::FormatCollectedErrors("H", cow_List<cow_String>()).IsEmpty());
  EXPECT_TRUE(inpM_Utils::FormatCollectedErrors("H", cow_1DArrayList<int>()).IsEmpty());
}

}  // namespace
