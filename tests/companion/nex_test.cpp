// Exceptions: raised with their own class and where they came from, read back
// through the base class.
#include "nex.h"

#include <gtest/gtest.h>

#include <exception>
#include <string>

namespace {

TEST(NexException, RaisedAsItsOwnClassThroughTheBaseAndAssertionsWithTheirTextAndPlace) {
  nex_TextException text(atr_String("Part file not found: job.prt"));
  nex_Exception& base = text;
  try {
    base.Throw("reader.cpp", 12);
    FAIL() << "Throw returned";
  } catch (const nex_TextException& e) {
    EXPECT_EQ(e.UserReport().str(), "Part file not found: job.prt");
    EXPECT_STREQ(e.what(), "Part file not found: job.prt");  // a standard exception with the text
    EXPECT_EQ(e.File(), "reader.cpp");
    EXPECT_EQ(e.Line(), 12);
  }
  // A holding condition is evaluated once; a broken one raises with its text and place.
  int evaluations = 0;
  EXPECT_NO_THROW(NEX_ASSERT(++evaluations == 1));
  EXPECT_EQ(evaluations, 1);
  const int size = 2;
  try {
    NEX_ASSERT(size == 3);
    FAIL() << "NEX_ASSERT returned";
  } catch (const nex_Exception& e) {
    const auto* a = dynamic_cast<const nex_AssertException*>(&e);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Condition(), "size == 3");
    EXPECT_EQ(e.File(), __FILE__);
    EXPECT_GT(e.Line(), 0);
    const std::string report = e.UserReport().str();  // condition, source and line
    EXPECT_NE(report.find("size == 3"), std::string::npos);
    EXPECT_NE(report.find(__FILE__), std::string::npos);
    EXPECT_NE(report.find(std::to_string(e.Line())), std::string::npos);
    EXPECT_EQ(report, e.what());
  }
  try {
    NEX_ASSERT_AT(false, "inpM_SolverPartMap.cpp");
    FAIL() << "NEX_ASSERT_AT returned";
  } catch (const nex_AssertException& e) {
    EXPECT_EQ(e.Condition(), "false");
    EXPECT_EQ(e.File(), "inpM_SolverPartMap.cpp");
  }
}

}  // namespace
