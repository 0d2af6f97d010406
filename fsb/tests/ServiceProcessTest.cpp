// vardfsb's service modes, end to end: the real program against the
// system's control manager (the per-user stand-in on POSIX).
#include <gtest/gtest.h>

#include "common/brokerpipe/FileBrokerClient.h"
#include "common/platform/Environment.h"
#include "common/platform/Process.h"
#include "common/platform/testing/SiblingProcess.h"
#include "common/platform/tests/TestFolder.h"
#include "fsb/tests/BrokerTestSupport.h"

namespace vard::fsb {
namespace {

using platform::testing::SiblingProcess;
using platform::testing::TestFolder;
using testing::ConsoleArgument;
using testing::Eventually;
using testing::UseRuntimeFolder;

struct Outcome {
  std::string output;
  int exitCode = 0;
};

Outcome Vardfsb(std::vector<std::u16string> args) {
  SiblingProcess program;
  Outcome o;
  EXPECT_TRUE(program.Start(u"vardfsb", args));
  // Line ends as the program wrote them, without the text mode's CR.
  for (char c : program.ReadToEnd())
    if (c != '\r') o.output += c;
  EXPECT_TRUE(program.Wait(60000, &o.exitCode));
  return o;
}

bool Begins(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

class ServiceModes : public ::testing::Test {
 protected:
  void SetUp() override {
    // Private runtime and registry folders, inherited by the programs and
    // the service they start (POSIX); a service a broken run left behind
    // goes first (Win32).
    UseRuntimeFolder(runtime.Path());
    std::string config = Utf16ToUtf8(registry.Path());
    for (char& c : config)
      if (c == '\\') c = '/';
    platform::SetEnv("XDG_CONFIG_HOME", config.c_str());
    Vardfsb({u"-uninstall"});
  }
  void TearDown() override { Vardfsb({u"-uninstall"}); }

  bool BrokerRuns() { return FileBrokerClient(platform::SystemClock()).IsRunning(); }

  TestFolder runtime, registry;
};

TEST_F(ServiceModes, InstallStartStopUninstallRoundTrip) {
  Outcome o = Vardfsb({u"-INSTALL"});
  EXPECT_EQ(o.output, "Install: [Vardfsb] Success\n");
  EXPECT_EQ(o.exitCode, 0);
  o = Vardfsb({u"/install"});
  EXPECT_TRUE(Begins(o.output, "Install: [Vardfsb] ")) << o.output;
  EXPECT_NE(o.output, "Install: [Vardfsb] Success\n");

  EXPECT_EQ(Vardfsb({u"-start"}).output, "Start: [Vardfsb] Success\n");
  ASSERT_TRUE(Eventually([&] { return BrokerRuns(); }));
  {
    FileBrokerClient client(platform::SystemClock());
    ASSERT_EQ(client.Connect(20, 100), status::kSuccess);
    uint8_t mode = 9;
    EXPECT_EQ(client.QueryMode(&mode), status::kSuccess);
    EXPECT_EQ(mode, 1) << "not running as a service";
  }
  // Already running: still a success.
  EXPECT_EQ(Vardfsb({u"/START"}).output, "Start: [Vardfsb] Success\n");

  o = Vardfsb({u"-stop"});
  EXPECT_EQ(o.output, "Stop: [Vardfsb] Success\n");
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_TRUE(Eventually([&] { return !BrokerRuns(); }));

  o = Vardfsb({u"-install", u"-uninstall"});
  EXPECT_EQ(o.output, "Uninstall: [Vardfsb] Success\n");
  o = Vardfsb({u"-uninstall"});
  EXPECT_TRUE(Begins(o.output, "Uninstall: [Vardfsb] ")) << o.output;
  EXPECT_NE(o.output, "Uninstall: [Vardfsb] Success\n");
  EXPECT_EQ(o.exitCode, 0);
}

TEST_F(ServiceModes, UninstallStopsARunningServiceAndAConsoleBrokerLeavesItAlone) {
  ASSERT_EQ(Vardfsb({u"-install"}).output, "Install: [Vardfsb] Success\n");
  ASSERT_EQ(Vardfsb({u"-start"}).output, "Start: [Vardfsb] Success\n");
  ASSERT_TRUE(Eventually([&] { return BrokerRuns(); }));

  // A console broker finds the service's broker and ends at once.
  Outcome second = Vardfsb({ConsoleArgument()});
  EXPECT_EQ(second.exitCode, -1);
  FileBrokerClient client(platform::SystemClock());
  EXPECT_EQ(client.Connect(20, 100), status::kSuccess) << "the service's pipe was touched";
  client.Disconnect();

  EXPECT_EQ(Vardfsb({u"-uninstall"}).output, "Uninstall: [Vardfsb] Success\n");
  EXPECT_TRUE(Eventually([&] { return !BrokerRuns(); }));
  EXPECT_TRUE(Begins(Vardfsb({u"-start"}).output, "Start: [Vardfsb] ")) << "the service is still there";
}

TEST_F(ServiceModes, StartingWithoutTheManagerEndsWithMinusOne) {
  // No argument: the dispatcher finds no manager that started the program.
  Outcome o = Vardfsb({});
  EXPECT_EQ(o.exitCode, -1);
  EXPECT_FALSE(BrokerRuns());
}

TEST_F(ServiceModes, HelpAndInvalidValuesEndWithMinusOne) {
  Outcome help = Vardfsb({u"/?"});
  EXPECT_TRUE(Begins(help.output, "-help, -?: ")) << help.output;
  EXPECT_NE(help.output.find("-stop: "), std::string::npos);
  EXPECT_EQ(help.exitCode, -1);
  Outcome bad = Vardfsb({u"-install", u"-nonsense"});
  EXPECT_EQ(bad.output, "Invalid Value: -nonsense\n");
  EXPECT_EQ(bad.exitCode, -1);
}

}  // namespace
}  // namespace vard::fsb
