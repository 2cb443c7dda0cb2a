// The crash handler: a fatal signal leaves a report with the key, the version and a backtrace,
// and the process still dies of that signal.
#include "platform/crash_handler.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>

namespace {

// Recurses until the stack is gone; the runtime flag keeps the compiler from seeing an endless
// recursion.
int Recurse(int depth, volatile bool& stop) {
  volatile char frame[512];
  frame[0] = static_cast<char>(depth);
  if (stop) return frame[0];
  return Recurse(depth + 1, stop) + frame[0];
}

class CrashHandlerDeathTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(CrashHandlerDeathTest, SegmentationFaultIsReportedWithBacktrace) {
  EXPECT_EXIT(
      {
        CCrashHandler::Install(QStringLiteral("QLTClient"), QStringLiteral("9.8.7.6"));
        raise(SIGSEGV);
      },
      ::testing::KilledBySignal(SIGSEGV),
      "QLTClient 9\\.8\\.7\\.6: fatal signal 11 \\(SIGSEGV\\)\nBacktrace:\n.*\\[0x[0-9a-f]+\\]");
}

TEST_F(CrashHandlerDeathTest, StackOverflowIsReported) {
  EXPECT_EXIT(
      {
        CCrashHandler::Install(QStringLiteral("QLTClient"), QStringLiteral("2.0.0.0"));
        volatile bool stop = false;
        Recurse(0, stop);
      },
      ::testing::KilledBySignal(SIGSEGV), "QLTClient 2\\.0\\.0\\.0: fatal signal 11");
}

}  // namespace
