// Install, uninstall, start and stop against a control manager in memory;
// the waits run on a fake clock.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/platform/testing/FakeClock.h"
#include "fsb/CServiceManager.h"
#include "fsb/tests/FakeServiceManager.h"

namespace vard::fsb {
namespace {

namespace svc = platform::service;
using platform::testing::FakeClock;
using testing::FakeServiceManager;

class ServiceOperations : public ::testing::Test {
 protected:
  size_t Count(const std::string& call) const { return std::count(scm.calls.begin(), scm.calls.end(), call); }

  FakeServiceManager scm;
  FakeClock clock;
  CServiceManager manager{scm, clock, u"C:\\Program Files\\vardel\\vardfsb.exe"};
};

TEST_F(ServiceOperations, InstallCreatesTheFixedConfigurationWithDescriptionAndFailureActions) {
  scm.failureActionsResult = 5;  // ignored
  EXPECT_EQ(manager.Install(), 0u);
  EXPECT_EQ(scm.created.name, u"Vardfsb");
  EXPECT_EQ(scm.created.displayName, u"vardfsb");
  EXPECT_EQ(scm.created.programPath, u"C:\\Program Files\\vardel\\vardfsb.exe");
  EXPECT_EQ(scm.created.type, 16u);
  EXPECT_EQ(scm.created.startType, 2u);
  EXPECT_EQ(scm.created.errorControl, 1u);
  EXPECT_EQ(scm.description, u"Vardel File service");
  EXPECT_EQ(scm.actions.size(), 3u);
  // A second install reports the manager's error and changes nothing.
  EXPECT_EQ(manager.Install(), platform::error::kServiceExists);
  EXPECT_EQ(Count("description"), 1u);
}

TEST_F(ServiceOperations, StartPollsOnceASecondUntilRunning) {
  scm.installed = true;
  scm.onStart = [&] { clock.At(clock.Elapsed() + 3000, [&] { scm.state = svc::kRunning; }); };
  EXPECT_EQ(manager.Start(), 0u);
  EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{1000, 1000, 1000}));
  // Already running: success without another start.
  EXPECT_EQ(manager.Start(), 0u);
  EXPECT_EQ(Count("start"), 1u);
}

TEST_F(ServiceOperations, StartAndStopGiveUpAfterTwentyNinePolls) {
  scm.installed = true;
  scm.onStart = [&] { scm.state = svc::kStartPending; };
  EXPECT_EQ(manager.Start(), platform::error::kWaitTimeout);
  EXPECT_EQ(clock.Sleeps().size(), 29u);
  EXPECT_EQ(clock.Elapsed(), 29000u);

  scm.state = svc::kRunning;
  scm.onStop = [&] { scm.state = svc::kStopPending; };
  EXPECT_EQ(manager.Stop(), platform::error::kWaitTimeout);
  EXPECT_EQ(clock.Sleeps().size(), 58u);
}

TEST_F(ServiceOperations, StopOfAStoppedServiceSendsNothing) {
  scm.installed = true;
  EXPECT_EQ(manager.Stop(), 0u);
  EXPECT_EQ(Count("control 1"), 0u);
  EXPECT_TRUE(clock.Sleeps().empty());
}

TEST_F(ServiceOperations, UninstallStopsARunningServiceFirst) {
  scm.installed = true;
  scm.state = svc::kRunning;
  scm.onStop = [&] { clock.At(clock.Elapsed() + 1500, [&] { scm.state = svc::kStopped; }); };
  EXPECT_EQ(manager.Uninstall(), 0u);
  EXPECT_FALSE(scm.installed);
  EXPECT_EQ(Count("control 1"), 1u);
  EXPECT_LT(std::find(scm.calls.begin(), scm.calls.end(), "control 1"),
            std::find(scm.calls.begin(), scm.calls.end(), "delete"));
}

TEST_F(ServiceOperations, UninstallOfAServiceThatWillNotStopKeepsIt) {
  scm.installed = true;
  scm.state = svc::kRunning;
  EXPECT_EQ(manager.Uninstall(), platform::error::kWaitTimeout);
  EXPECT_TRUE(scm.installed);
}

TEST_F(ServiceOperations, UninstallOfAMissingServiceStillTriesTheDelete) {
  EXPECT_EQ(manager.Uninstall(), platform::error::kServiceDoesNotExist);
  EXPECT_EQ(Count("delete"), 1u);
  EXPECT_TRUE(clock.Sleeps().empty());
}

}  // namespace
}  // namespace vard::fsb
