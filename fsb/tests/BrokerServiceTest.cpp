// The service main routine and its control handler, with the control
// manager in memory and time on a fake clock.
#include <gtest/gtest.h>

#include "common/platform/testing/FakeClock.h"
#include "fsb/BrokerService.h"
#include "fsb/tests/FakeServiceManager.h"

namespace vard::fsb {
namespace {

namespace svc = platform::service;
using platform::testing::FakeClock;
using testing::FakeServiceManager;

std::vector<uint32_t> States(const FakeServiceManager& scm) {
  std::vector<uint32_t> states;
  for (const auto& r : scm.reports) states.push_back(r.state);
  return states;
}

class ServiceMain : public ::testing::Test {
 protected:
  ServiceMain() { scm.installed = true; }
  FakeServiceManager scm;
  FakeClock clock;
  bool serverStarted = false;
  BrokerService service{scm, clock, u"Vardfsb", false, [this] { return serverStarted = true; }};
};

TEST_F(ServiceMain, ReportsItsWayToRunningAndLeavesOnceStopped) {
  clock.At(1800, [&] { scm.handler(svc::kControlStop); });
  EXPECT_TRUE(service.Main());
  EXPECT_TRUE(serverStarted);
  EXPECT_EQ(States(scm), (std::vector<uint32_t>{svc::kStartPending, svc::kStartPending, svc::kStartPending,
                                                 svc::kRunning, svc::kStopPending, svc::kStopped}));
  EXPECT_EQ(scm.reports[1].acceptedControls, svc::kAcceptStop);
  for (size_t i = 2; i < scm.reports.size(); ++i) {
    EXPECT_EQ(scm.reports[i].acceptedControls, svc::kAcceptStop | svc::kAcceptPauseContinue);
    EXPECT_EQ(scm.reports[i].type, 16u);
  }
  // Seen within one half-second poll.
  EXPECT_LE(clock.Elapsed(), 2000u);
}

TEST_F(ServiceMain, PauseKeepsServingAndPollsSlower) {
  clock.At(1000, [&] { scm.handler(svc::kControlPause); });
  clock.At(4000, [&] { scm.handler(svc::kControlContinue); });
  clock.At(5000, [&] { scm.handler(svc::kControlStop); });
  EXPECT_TRUE(service.Main());
  const std::vector<uint32_t> states = States(scm);
  const std::vector<uint32_t> middle(states.begin() + 4, states.end());
  EXPECT_EQ(middle, (std::vector<uint32_t>{svc::kPausePending, svc::kPaused, svc::kContinuePending, svc::kRunning,
                                           svc::kStopPending, svc::kStopped}));
  std::vector<uint32_t> sleeps = clock.Sleeps();
  EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), 1000u), sleeps.end());
}

TEST_F(ServiceMain, ASecondBrokerStopsAtOnce) {
  BrokerService second(scm, clock, u"Vardfsb", false, [] { return false; });
  EXPECT_FALSE(second.Main());
  EXPECT_EQ(States(scm).back(), svc::kStopped);
  EXPECT_TRUE(clock.Sleeps().empty());
}

TEST_F(ServiceMain, NoHandlerNoService) {
  scm.registerResult = false;
  EXPECT_FALSE(service.Main());
  EXPECT_FALSE(serverStarted);
  EXPECT_TRUE(scm.reports.empty());
}

TEST_F(ServiceMain, AShutdownFromTheLastClientStopsTheService) {
  clock.At(700, [&] { service.Shutdown(); });
  EXPECT_TRUE(service.Main());
  EXPECT_EQ(States(scm).back(), svc::kStopped);
}

TEST_F(ServiceMain, AServiceTheManagerNoLongerKnowsAsActiveEnds) {
  // The manager forgets a stopped service: interrogation answers "not active".
  scm.reportsReachState = false;
  scm.state = svc::kRunning;
  clock.At(2000, [&] { scm.state = svc::kStopped; });
  EXPECT_TRUE(service.Main());
  EXPECT_LE(clock.Elapsed(), 2500u);
}

TEST(ServiceMainConsole, ConsoleModeRegistersNothingAndNeverAsksTheManager) {
  FakeServiceManager scm;
  scm.console = true;
  FakeClock clock;
  BrokerService service(scm, clock, u"Vardfsb", true, [] { return true; });
  clock.At(10000, [&] { service.EndLoopForTest(); });
  EXPECT_TRUE(service.Main());
  EXPECT_FALSE(scm.handler);
  for (const std::string& call : scm.calls) EXPECT_NE(call, "control 4") << "interrogated from the loop";
  EXPECT_GE(clock.Elapsed(), 10000u);
}

}  // namespace
}  // namespace vard::fsb
