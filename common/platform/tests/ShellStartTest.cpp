// Starting a program through the shell waits for it within a bound: a
// program that never becomes ready costs the caller the limit and no more.
#include <gtest/gtest.h>

#include "common/platform/NamedMutex.h"
#include "common/platform/Process.h"
#include "common/platform/WindowMessenger.h"
#include "common/platform/testing/FakeClock.h"
#include "common/platform/testing/SiblingProcess.h"

namespace vard::platform {
namespace {

TEST(ShellStart, AProgramThatNeverBecomesReadyIsWaitedForUpToTheLimit) {
  testing::FakeClock clock;
  const uint32_t start = clock.TickCount();
  const std::u16string mainClass = u"VardShellStartMain", viewClass = u"VardShellStartView";
  EXPECT_TRUE(ShellStartAndWait(testing::SiblingProgram(u"window_host"), mainClass + u" " + viewClass, u"",
                                [] { return false; }, clock, 5000));
  EXPECT_GE(clock.MillisecondsSince(start), 5000u);
  EXPECT_LT(clock.MillisecondsSince(start), 6000u);
  // The program itself runs on: end it.
  SystemClock().WaitUntil([&] { return FindProgramWindow(mainClass).has_value(); }, 20000, 20);
  if (auto main = FindProgramWindow(mainClass)) {
    EXPECT_TRUE(PostClose(*main, 0));
  }
  SystemClock().WaitUntil([&] { return !FindProgramWindow(mainClass).has_value(); }, 20000, 20);
}

TEST(ShellStart, AProgramThatDoesNotExistIsNotStarted) {
  testing::FakeClock clock;
  EXPECT_FALSE(ShellStartAndWait(testing::SiblingProgram(u"no_such_program"), u"", u"", [] { return true; }, clock,
                                 5000));
}

}  // namespace
}  // namespace vard::platform
