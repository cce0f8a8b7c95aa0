// Name utilities: quotes, comparisons that ignore quotes or case, the sort
// of id lists, and the layout of collected error items. Expected texts are
// written out by hand.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "inpM_Utils.h"

namespace {

using U = inpM_Utils;

TEST(UtilsQuotes, RemoveAddAndTest) {
  const struct {
    const char* name;
    const char* removed;  // every outer quote stripped; inner quotes and blanks stay
    const char* added;    // exactly one at each end
    bool quoted;          // the first and the last byte are quotes
  } cases[] = {
      {"name", "name", "\"name\"", false},
      {"\"name\"", "name", "\"name\"", true},
      {"\"\"name\"\"", "name", "\"name\"", true},
      {"\"name", "name", "\"name\"", false},
      {"name\"\"\"", "name", "\"name\"", false},
      {"", "", "\"\"", false},
      {"\"", "", "\"\"", true},  // one quote is both the first and the last byte
      {"\"\"\"\"", "", "\"\"", true},
      {"a\"b", "a\"b", "\"a\"b\"", false},
      {"\" my set \"", " my set ", "\" my set \"", true},
      {"\"a\" \"b\"", "a\" \"b", "\"a\" \"b\"", true},
      {" \"name\" ", " \"name\" ", "\" \"name\" \"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(U::RemoveQuotes(c.name).str(), c.removed) << c.name;
    EXPECT_EQ(U::AddQuotes(c.name).str(), c.added) << c.name;
    EXPECT_EQ(U::Quotes(c.name), c.quoted) << c.name;
  }
}

TEST(UtilsCompare, IgnoringQuotesCaseOrBoth) {
  const struct { const char* a; const char* b; bool ignoreQuotes, ignoreCaseAndQuotes, ignoreCase; } cases[] = {
      {"\"Part-1\"", "Part-1", true, true, false},
      {"\"\"Part-1\"", "\"Part-1\"\"", true, true, false},
      {"", "\"\"", true, true, false},
      {"\"part-1\"", "PART-1", false, true, false},
      {"Set_a", "\"sET_A\"", false, true, false},
      {"abc-1_x", "ABC-1_X", false, true, true},
      {"a\"b", "ab", false, false, false},
      {"\"a b\"", "ab", false, false, false},
      {"\"part-1\"", "PART-2", false, false, false},
      {"\"a \"", "A", false, false, false},
      {"part", "part-1", false, false, false},
      {"", "", true, true, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(U::CompareIgnoreQuotes(c.a, c.b), c.ignoreQuotes) << c.a << " " << c.b;
    EXPECT_EQ(U::CompareIgnoreCaseAndQuotes(c.a, c.b), c.ignoreCaseAndQuotes) << c.a << " " << c.b;
    EXPECT_EQ(U::CompareIgnoreCase(c.a, c.b), c.ignoreCase) << c.a << " " << c.b;
  }
  const cow_String text("Assembly.Instance-1.NSet");
  EXPECT_EQ(U::FindIgnoreCase(text, "nset", 0), 20);
  EXPECT_EQ(U::FindIgnoreCase(text, "INSTANCE", 0), 9);
  EXPECT_EQ(U::FindIgnoreCase(text, "s", 1), 1);
  EXPECT_EQ(U::FindIgnoreCase(text, "s", 3), 11);
  EXPECT_EQ(U::FindIgnoreCase(text, "S", 12), 21);
  EXPECT_EQ(U::FindIgnoreCase(text, "nset", 21), cow_String::npos);
  EXPECT_EQ(U::FindIgnoreCase(text, "elset", 0), cow_String::npos);
}

TEST(UtilsSort, AscendingWithDuplicatesOnTheListsOwnCopy) {
  const int values[] = {INT_MIN, -1, 0, 7, INT_MAX};
  for (int a : values)
    for (int b : values) EXPECT_EQ(U::SortCmp(&a, &b), a < b ? -1 : a > b ? 1 : 0) << a << " vs " << b;
  cow_1DArrayList<int> ids{5, -2, 9, -2, 0, INT_MAX, INT_MIN, 5};
  const cow_1DArrayList<int> copy = ids;
  U::Sort(ids);
  EXPECT_EQ(ids, (cow_1DArrayList<int>{INT_MIN, -2, -2, 0, 5, 5, 9, INT_MAX}));
  EXPECT_EQ(copy, (cow_1DArrayList<int>{5, -2, 9, -2, 0, INT_MAX, INT_MIN, 5}));
  cow_1DArrayList<int> empty;
  U::Sort(empty);
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(UtilsFormatCollectedErrors, LinesOfEightyBytesIndentedByFour) {
  const std::string a40(40, 'a'), b40(40, 'b'), b41(41, 'b'), x81(81, 'x');
  cow_List<cow_String> sets;
  for (int i = 1; i <= 30; ++i) sets.Append(cow_String((i < 10 ? "SET0" : "SET") + std::to_string(i)));
  const struct { std::string heading; cow_List<cow_String> items; std::string expected; } cases[] = {
      {"H", {"A", "B", "C"}, "H\n    A, B, C\n\n"},
      {"The following sets are empty:", sets,
       "The following sets are empty:\n"
       "    SET01, SET02, SET03, SET04, SET05, SET06, SET07, SET08, SET09, SET10, SET11, SET12\n"
       "    SET13, SET14, SET15, SET16, SET17, SET18, SET19, SET20, SET21, SET22, SET23, SET24\n"
       "    SET25, SET26, SET27, SET28, SET29, SET30\n\n"},
      {"H", {a40, b40, "c"}, "H\n    " + a40 + ", " + b40 + "\n    c\n\n"},  // 40 + 40 is at most 80
      {"H", {a40, b41}, "H\n    " + a40 + "\n    " + b41 + "\n\n"},          // 40 + 41 is more
      {"H", {"a", x81, "b"}, "H\n    a\n    " + x81 + "\n    b\n\n"},        // a long item stands alone
      {"H", {x81}, "H\n    " + x81 + "\n\n"},
      {"100% of %s:", {"%d", "%1$s"}, "100% of %s:\n    %d, %1$s\n\n"},  // no text is a format
      {"", {"A"}, "\n    A\n\n"},
      {"H", {}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(U::FormatCollectedErrors(c.heading, c.items).str(), c.expected);

  // Ids are laid out by their decimal text (their order, duplicates and the
  // wrapping of long lists are checked with the id map's undefined ids).
  EXPECT_EQ(U::FormatCollectedErrors("H", cow_1DArrayList<int>{-5, INT_MIN}).str(), "H\n    -5, -2147483648\n\n");
  EXPECT_TRUE(U::FormatCollectedErrors("H", cow_1DArrayList<int>()).IsEmpty());
}

}  // namespace
