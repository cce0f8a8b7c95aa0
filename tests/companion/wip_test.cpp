// Error reporting: an error never returns to its caller, whatever handler is
// installed; informational output goes to a replaceable sink; each thread has
// its own service.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "wip.h"

namespace {

wip_WIP& Service() { return thr_ThreadSingleton<wip_WIP>::Instance(); }

// Restores the thread's default handler and sink after each test.
class Wip : public ::testing::Test {
 protected:
  void TearDown() override {
    Service().SetErrorHandler({});
    Service().SetOutputSink({});
  }
};

TEST_F(Wip, DefaultErrorThrowsTheMessage) {
  bool returned = false;
  try {
    Service().Error(atr_String("Unknown global id: 17"), wip_ERROR);
    returned = true;
  } catch (const std::exception& e) {
    const auto* error = dynamic_cast<const wip_ErrorException*>(&e);
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(e.what(), "Unknown global id: 17");
    EXPECT_EQ(error->Message().str(), "Unknown global id: 17");
    EXPECT_EQ(error->Level(), wip_ERROR);
  }
  EXPECT_FALSE(returned);
}

TEST_F(Wip, ReturningHandlerStillDoesNotReturn) {
  std::vector<std::string> seen;
  Service().SetErrorHandler([&](const atr_String& m, wip_errorLevelEnm level) {
    seen.push_back(m.str() + "@" + std::to_string(level));
  });
  bool returned = false;
  try {
    Service().Error(atr_String("bad set"), wip_ERROR);
    returned = true;
  } catch (const wip_ErrorException& e) {
    EXPECT_STREQ(e.what(), "bad set");
  }
  EXPECT_FALSE(returned);
  EXPECT_EQ(seen, (std::vector<std::string>{"bad set@0"}));
}

TEST_F(Wip, ThrowingHandlerDecidesWhatUnwinds) {
  Service().SetErrorHandler([](const atr_String& m, wip_errorLevelEnm) { throw std::runtime_error(m.str()); });
  EXPECT_THROW(wip_Error(atr_String("x")), std::runtime_error);
}

TEST_F(Wip, HandlerReplacementReturnsThePreviousOne) {
  int first = 0;
  int second = 0;
  const wip_ErrorHandler none = Service().SetErrorHandler([&](const atr_String&, wip_errorLevelEnm) { ++first; });
  EXPECT_FALSE(none);
  wip_ErrorHandler previous = Service().SetErrorHandler([&](const atr_String&, wip_errorLevelEnm) { ++second; });
  EXPECT_THROW(wip_Error(atr_String("e")), wip_ErrorException);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);

  ASSERT_TRUE(previous);
  Service().SetErrorHandler(previous);
  EXPECT_THROW(wip_Error(atr_String("e")), wip_ErrorException);
  EXPECT_EQ(first, 1);

  // An empty handler restores the default.
  Service().SetErrorHandler({});
  EXPECT_THROW(wip_Error(atr_String("e")), wip_ErrorException);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);
}

TEST_F(Wip, HandlerMayReplaceItselfWhileRunning) {
  int calls = 0;
  Service().SetErrorHandler([&](const atr_String&, wip_errorLevelEnm) {
    ++calls;
    Service().SetErrorHandler({});
  });
  EXPECT_THROW(wip_Error(atr_String("once")), wip_ErrorException);
  EXPECT_THROW(wip_Error(atr_String("twice")), wip_ErrorException);
  EXPECT_EQ(calls, 1);
}

TEST_F(Wip, PrintAndWarningListGoToTheSink) {
  std::string out;
  Service().SetOutputSink([&](std::string_view t) { out.append(t); });
  Service().Print(atr_String("Message from utility routine GETPARTINFO: "));
  Service().WarningList(cow_List<atr_String>{"2 sets were cleaned up:", "    S1, S2"});
  Service().WarningList(cow_List<atr_String>());
  Service().Print(atr_String());
  EXPECT_EQ(out,
            "Message from utility routine GETPARTINFO: \n"
            "***WARNING: 2 sets were cleaned up:\n"
            "    S1, S2\n"
            "\n");
}

TEST_F(Wip, DefaultSinkIsStandardOutput) {
  testing::internal::CaptureStdout();
  Service().Print(atr_String("to stdout"));
  Service().WarningList(cow_List<atr_String>{"w"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "to stdout\n***WARNING: w\n");
}

TEST_F(Wip, CaptureCollectsOutputAndTurnsErrorsIntoExceptions) {
  int outerErrors = 0;
  std::string outer;
  Service().SetErrorHandler([&](const atr_String&, wip_errorLevelEnm) { ++outerErrors; });
  Service().SetOutputSink([&](std::string_view t) { outer.append(t); });
  {
    wip_Capture capture;
    Service().Print(atr_String("one"));
    Service().WarningList(cow_List<atr_String>{"two", "three"});
    EXPECT_EQ(capture.Text(), "one\n***WARNING: two\nthree\n");
    capture.Reset();
    EXPECT_EQ(capture.Text(), "");
    EXPECT_THROW(wip_Error(atr_String("inside")), wip_ErrorException);
    EXPECT_EQ(outerErrors, 0);
    {
      wip_Capture inner;
      Service().Print(atr_String("nested"));
      EXPECT_EQ(inner.Text(), "nested\n");
    }
    Service().Print(atr_String("after"));
    EXPECT_EQ(capture.Text(), "after\n");
  }
  // The previous handler and sink are back.
  Service().Print(atr_String("outside"));
  EXPECT_EQ(outer, "outside\n");
  EXPECT_THROW(wip_Error(atr_String("outside")), wip_ErrorException);
  EXPECT_EQ(outerErrors, 1);
}

TEST_F(Wip, EachThreadHasItsOwnService) {
  int mainErrors = 0;
  Service().SetErrorHandler([&](const atr_String&, wip_errorLevelEnm) { ++mainErrors; });
  const wip_WIP* mainService = &Service();
  EXPECT_EQ(&Service(), mainService);

  const wip_WIP* otherService = nullptr;
  bool otherThrew = false;
  std::string otherText;
  std::thread t([&] {
    otherService = &Service();
    wip_Capture capture;
    Service().Print(atr_String("from the other thread"));
    otherText = capture.Text();
    try {
      wip_Error(atr_String("other"));
    } catch (const wip_ErrorException&) {
      otherThrew = true;
    }
  });
  t.join();
  EXPECT_NE(otherService, mainService);
  EXPECT_TRUE(otherThrew);
  EXPECT_EQ(otherText, "from the other thread\n");
  // The main thread's handler saw nothing of the other thread's error.
  EXPECT_EQ(mainErrors, 0);
}

}  // namespace
