// A program the control starts for the person (the agent) outlives the
// browser's native host, whose job ends every process in it with the host,
// wherever that job lets programs leave it.
#include <gtest/gtest.h>

#include "common/platform/WindowMessenger.h"
#include "common/platform/testing/SiblingProcess.h"

namespace vard::platform {
namespace {

// Starts window_host from inside a kill-on-close job, lets the job close,
// and tells whether window_host still runs a moment later.
bool OutlivesTheJob(const std::u16string& jobKind, const std::u16string& mainClass) {
  testing::SiblingProcess host;
  EXPECT_TRUE(host.Start(u"job_host", {jobKind, mainClass, mainClass + u"View"}));
  // window_host shares the helper's output: its lines come first.
  std::string line;
  do line = host.ReadLine();
  while (!line.empty() && line != "started" && line != "not started");
  EXPECT_EQ(line, "started");
  int code = -1;
  EXPECT_TRUE(host.Wait(20000, &code));
  EXPECT_EQ(code, 0);
  // A closed job's processes are ended at once; give the system a moment.
  SystemClock().WaitUntil([&] { return !FindProgramWindow(mainClass).has_value(); }, 1000, 20);
  const auto window = FindProgramWindow(mainClass);
  if (window) {
    PostClose(*window, 0);
    SystemClock().WaitUntil([&] { return !FindProgramWindow(mainClass).has_value(); }, 20000, 20);
  }
  return window.has_value();
}

TEST(JobBreakaway, TheProgramLeavesAJobThatAllowsItAndEndsWithOneThatDoesNot) {
  EXPECT_TRUE(OutlivesTheJob(u"breakaway", u"VardJobBreakawayMain"));
  // The same start inside a job that keeps its programs: they end with it,
  // so the first result is the breakaway's doing.
  EXPECT_FALSE(OutlivesTheJob(u"locked", u"VardJobLockedMain"));
}

}  // namespace
}  // namespace vard::platform
