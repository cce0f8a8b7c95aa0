// The solver routines: character arguments in and out, the boundary that no
// exception crosses, the library's start and end.
#include "inpM_Routines.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "inpM_RoutineBinding.h"
#include "nex.h"
#include "wip.h"

namespace {

std::string Str(const cow_String& s) { return s.str(); }

// A character argument of declared length 8 (and one of length 0), through
// every input rule. The NUL ends only the blank-stripped copy, which the
// routine sees as a C string.
TEST(RoutineBinding, InputConversions) {
  struct Case {
    std::string argument, rightTrimmed, trimmed, stripped, upper, firstBlank;
  };
  const std::vector<Case> cases = {
      {"Name01  ", "Name01", "Name01", "Name01", "NAME01", "Name01"},
      {" Name01 ", " Name01", "Name01", " Name01", " NAME01", ""},
      {"a b     ", "a b", "a b", "a b", "A B", "a"},
      {"Full8chr", "Full8chr", "Full8chr", "Full8chr", "FULL8CHR", "Full8chr"},
      {"        ", "", "", "", "", ""},
      {"", "", "", "", "", ""},
      {std::string("ab\0c  ", 6), std::string("ab\0c", 4), std::string("ab\0c", 4), "ab", std::string("AB\0C", 4),
       std::string("ab\0c", 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    const char* p = c.argument.data();
    const size_t n = c.argument.size();
    EXPECT_EQ(Str(inpM_RightTrimmed(p, n)), c.rightTrimmed);
    EXPECT_EQ(Str(inpM_Trimmed(p, n)), c.trimmed);
    inpM_BlankStrippedCopy copy(p, n);
    EXPECT_EQ(Str(copy.Name()), c.stripped);
    EXPECT_EQ(std::string(copy.Buffer()), c.stripped);
    EXPECT_EQ(Str(inpM_UpperCase(p, n)), c.upper);
    EXPECT_EQ(Str(inpM_UpToFirstBlank(p, n)), c.firstBlank);
  }
}

// The three ways of writing a name back into an argument prefilled with 'x'.
TEST(RoutineBinding, OutputConversions) {
  struct Case {
    const char* rule;
    std::string name;
    int passedLength;  // written back: length of the name passed in
    size_t length;
    std::string after;
    bool fits;  // checked: the result
  };
  const std::vector<Case> cases = {
      {"truncated", "Part-1", 0, 8, "Part-1  ", true},
      {"truncated", "Part-1", 0, 4, "Part", true},
      {"truncated", "", 0, 3, "   ", true},
      {"checked", "Part-1", 0, 7, "Part-1 ", true},
      {"checked", "Part-1", 0, 6, "xxxxxx", false},
      {"checked", "", 0, 0, "", false},
      {"back", "SET-1", 5, 8, "xxxxxxxx", true},
      {"back", "SET-1", 7, 8, "SET-1   ", true},
      {"back", "LONGER-NAME", 3, 8, "LONGER-N", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.rule) + " " + c.name + " " + std::to_string(c.length));
    std::string argument(c.length, 'x');
    bool fits = true;
    if (c.rule == std::string("truncated")) inpM_WriteTruncated(c.name, argument.data(), c.length);
    if (c.rule == std::string("checked")) fits = inpM_WriteChecked(c.name, argument.data(), c.length);
    if (c.rule == std::string("back")) inpM_WriteBack(c.name, c.passedLength, argument.data(), c.length);
    EXPECT_EQ(argument, c.after);
    EXPECT_EQ(fits, c.fits);
  }
}

// Restores the default fatal-error hook after each test.
class RoutineBoundary : public ::testing::Test {
 protected:
  static void Record(const char* message, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(message);
  }
  void SetUp() override { wip_SetFatalHandler(&Record, &seen); }
  void TearDown() override { wip_SetFatalHandler(nullptr, nullptr); }
  std::vector<std::string> seen;
};

// Every kind of exception ends at the boundary with its message in the hook;
// the routine's error flag is then 1. Without a hook the process ends with
// the message and status 1.
TEST_F(RoutineBoundary, NoExceptionCrossesIt) {
  int error = 0;
  inpM_FortranBoundary(&error, [] { nex_TextException(atr_String("text")).Throw("src", 1); });
  EXPECT_EQ(error, 1);
  inpM_FortranBoundary(nullptr, [] { wip_Error(atr_String("Unknown global id: 17")); });
  inpM_FortranBoundary(nullptr, [] { NEX_ASSERT_AT(1 == 2, "inpM_X"); });
  inpM_FortranBoundary(nullptr, [] { throw std::runtime_error("runtime"); });
  inpM_FortranBoundary(nullptr, [] { throw 3; });
  error = 0;
  inpM_FortranBoundary(&error, [] {});
  EXPECT_EQ(error, 0);
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0], "text");
  EXPECT_EQ(seen[1], "Unknown global id: 17");
  EXPECT_EQ(seen[2].rfind("Assertion failed: 1 == 2 (inpM_X, line ", 0), 0u);
  EXPECT_EQ(seen[3], "runtime");
  EXPECT_EQ(seen[4], "An unknown exception reached the boundary of a solver routine.");

  wip_SetFatalHandler(nullptr, nullptr);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(inpM_FortranBoundary(nullptr, [] { wip_Error(atr_String("Unknown global id: 17")); }),
              ::testing::ExitedWithCode(1), "^Unknown global id: 17\n$");
}

// Nested starts only count: the caller's counter goes up once and back, an
// unmatched finalize changes nothing, and a later start counts again.
TEST(RoutineLifecycle, NestedStartsCount) {
  int level = 41;
  inpM_initialize(level);
  inpM_initialize(level);
  EXPECT_EQ(level, 42);
  inpM_finalize(level);
  EXPECT_EQ(level, 42);
  inpM_finalize(level);
  EXPECT_EQ(level, 41);
  inpM_finalize(level);
  EXPECT_EQ(level, 41);
  inpM_initialize(level);
  EXPECT_EQ(level, 42);
  inpM_finalize(level);
  EXPECT_EQ(level, 41);
}

// Eight threads start and end the library at once, each with its own
// counter: exactly one start and one end are counted.
TEST(RoutineLifecycle, StartsFromManyThreads) {
  std::vector<int> levels(8, 0);
  std::vector<int> afterStart(8, 0);
  std::atomic<int> started{0};
  std::vector<std::thread> threads;
  for (size_t i = 0; i < levels.size(); ++i)
    threads.emplace_back([&, i] {
      inpM_initialize(levels[i]);
      ++started;
      while (started.load() < 8) std::this_thread::yield();
      afterStart[i] = levels[i];
      inpM_finalize(levels[i]);
    });
  for (std::thread& t : threads) t.join();
  int sumAfterStart = 0;
  int sum = 0;
  for (size_t i = 0; i < levels.size(); ++i) {
    sumAfterStart += afterStart[i];
    sum += levels[i];
  }
  EXPECT_EQ(sumAfterStart, 1);
  EXPECT_EQ(sum, 0);
}

}  // namespace
