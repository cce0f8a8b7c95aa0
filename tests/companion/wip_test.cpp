// Error reporting: an error never returns to its caller, whatever handler is
// installed; informational output goes to a replaceable sink; each thread has
// its own service.
#include "wip.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

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

TEST_F(Wip, ErrorNeverReturnsWhateverTheHandler) {
  try {
    Service().Error(atr_String("Unknown global id: 17"), wip_ERROR);
    ADD_FAILURE() << "returned";
  } catch (const std::exception& e) {
    const auto* error = dynamic_cast<const wip_ErrorException*>(&e);
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(e.what(), "Unknown global id: 17");
    EXPECT_EQ(error->Message().str(), "Unknown global id: 17");
    EXPECT_EQ(error->Level(), wip_ERROR);
  }
  // A handler that returns sees the error, which is then raised all the same;
  // replacing a handler gives back the previous one, an empty one restores
  // the default; a handler may replace itself while it runs.
  std::vector<std::string> seen;
  const wip_ErrorHandler none = Service().SetErrorHandler(
      [&](const atr_String& m, wip_errorLevelEnm level) { seen.push_back(m.str() + "@" + std::to_string(level)); });
  EXPECT_FALSE(none);
  EXPECT_THROW(wip_Error(atr_String("bad set")), wip_ErrorException);
  const wip_ErrorHandler first = Service().SetErrorHandler([&](const atr_String&, wip_errorLevelEnm) {
    seen.push_back("second");
    Service().SetErrorHandler({});
  });
  EXPECT_THROW(wip_Error(atr_String("e")), wip_ErrorException);
  EXPECT_THROW(wip_Error(atr_String("e")), wip_ErrorException);
  Service().SetErrorHandler(first);
  EXPECT_THROW(wip_Error(atr_String("again")), wip_ErrorException);
  EXPECT_EQ(seen, (std::vector<std::string>{"bad set@0", "second", "again@0"}));
  // A handler that throws decides what unwinds.
  Service().SetErrorHandler([](const atr_String& m, wip_errorLevelEnm) { throw std::runtime_error(m.str()); });
  EXPECT_THROW(wip_Error(atr_String("x")), std::runtime_error);
}

TEST_F(Wip, PrintAndWarningListGoToTheSink) {
  testing::internal::CaptureStdout();  // the default sink
  Service().Print(atr_String("Message from utility routine GETPARTINFO: "));
  Service().WarningList(cow_List<atr_String>{"2 sets were cleaned up:", "    S1, S2"});
  Service().WarningList(cow_List<atr_String>());
  Service().Print(atr_String());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Message from utility routine GETPARTINFO: \n***WARNING: 2 sets were cleaned up:\n    S1, S2\n\n");
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
  const wip_WIP* otherService = nullptr;
  std::string otherText;
  std::thread([&] {
    otherService = &Service();
    wip_Capture capture;
    Service().Print(atr_String("from the other thread"));
    EXPECT_THROW(wip_Error(atr_String("other")), wip_ErrorException);
    otherText = capture.Text();
  }).join();
  EXPECT_NE(otherService, &Service());
  EXPECT_EQ(otherText, "from the other thread\n");
  EXPECT_EQ(mainErrors, 0);  // the main thread's handler saw nothing of it
}

}  // namespace
