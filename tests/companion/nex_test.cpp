// Exceptions: raised with their own class and where they came from, read back
// through the base class.
#include <gtest/gtest.h>

#include <exception>
#include <string>

#include "nex.h"

namespace {

TEST(NexTextException, UserReportThroughABaseCatch) {
  try {
    nex_TextException(atr_String("Part file not found: job.prt")).Throw("reader.cpp", 12);
    FAIL() << "Throw returned";
  } catch (const nex_Exception& e) {
    EXPECT_EQ(e.UserReport().str(), "Part file not found: job.prt");
    EXPECT_NE(dynamic_cast<const nex_TextException*>(&e), nullptr);
    EXPECT_EQ(e.File(), "reader.cpp");
    EXPECT_EQ(e.Line(), 12);
  }
}

TEST(NexTextException, IsAStandardExceptionWithTheText) {
  try {
    nex_TextException(atr_String("undefined ids")).Throw(__FILE__, __LINE__);
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "undefined ids");
    return;
  }
  FAIL() << "nothing was caught";
}

TEST(NexTextException, ThrownThroughABaseReference) {
  // A caller holding only the base still raises the derived object.
  nex_TextException text(atr_String("message"));
  nex_Exception& base = text;
  EXPECT_THROW(base.Throw("f", 1), nex_TextException);
}

TEST(NexException, BaseHasNoReport) {
  try {
    nex_Exception().Throw(nullptr, 0);
  } catch (const nex_TextException&) {
    FAIL() << "the base was raised as a derived class";
  } catch (const nex_Exception& e) {
    EXPECT_TRUE(e.UserReport().IsEmpty());
    EXPECT_STREQ(e.what(), "");
    EXPECT_EQ(e.File(), "");
  }
}

TEST(NexAssertException, CarriesConditionSourceAndLine) {
  try {
    nex_AssertException("nodeMap.Size() == elementMap.Size()").Throw("inpM_PartMap.cpp", 231);
  } catch (const nex_Exception& e) {
    const auto* a = dynamic_cast<const nex_AssertException*>(&e);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Condition(), "nodeMap.Size() == elementMap.Size()");
    EXPECT_EQ(a->File(), "inpM_PartMap.cpp");
    EXPECT_EQ(a->Line(), 231);
    const std::string report = e.UserReport().str();
    EXPECT_NE(report.find("nodeMap.Size() == elementMap.Size()"), std::string::npos);
    EXPECT_NE(report.find("inpM_PartMap.cpp"), std::string::npos);
    EXPECT_NE(report.find("231"), std::string::npos);
    EXPECT_EQ(report, e.what());
  }
}

TEST(NexAssert, HoldingConditionIsEvaluatedOnceAndPasses) {
  int evaluations = 0;
  auto holds = [&] { return ++evaluations == 1; };
  EXPECT_NO_THROW(NEX_ASSERT(holds()));
  EXPECT_EQ(evaluations, 1);
}

TEST(NexAssert, BrokenConditionRaisesWithItsTextAndPlace) {
  const int size = 2;
  int line = 0;
  try {
    line = __LINE__ + 1;
    NEX_ASSERT(size == 3);
    FAIL() << "NEX_ASSERT returned";
  } catch (const nex_AssertException& e) {
    EXPECT_EQ(e.Condition(), "size == 3");
    EXPECT_EQ(e.File(), __FILE__);
    EXPECT_EQ(e.Line(), line);
  }
}

TEST(NexAssert, ExplicitSourceName) {
  try {
    NEX_ASSERT_AT(false, "inpM_SolverPartMap.cpp");
  } catch (const nex_AssertException& e) {
    EXPECT_EQ(e.Condition(), "false");
    EXPECT_EQ(e.File(), "inpM_SolverPartMap.cpp");
    return;
  }
  FAIL() << "NEX_ASSERT_AT returned";
}

}  // namespace
