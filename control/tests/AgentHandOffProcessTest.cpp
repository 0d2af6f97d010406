// The hand-off between real processes: this test and the child programs are
// the pages' controls, the real agent program reads. The agent's list is
// read back through its window socket's dump (POSIX) and, on every target,
// through the saved-downloads file it appends to.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/handoff/AgentNames.h"
#include "common/handoff/SavedDownloads.h"
#include "common/platform/Environment.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Process.h"
#include "common/platform/WindowMessenger.h"
#include "common/platform/testing/SiblingProcess.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"
#include "control/AgentLauncher.h"

namespace vard {
namespace {

std::u16string AgentProgram() {
  std::u16string path = Utf8ToUtf16(VARD_AGENT_PROGRAM);
  std::replace(path.begin(), path.end(), u'/', u'\\');
  return path;
}

// A folder as the environment names it: POSIX paths are "\\x\\y" inside.
std::string EnvironmentPath(const std::u16string& path) {
  std::string out = Utf16ToUtf8(path);
  if (!out.empty() && out[0] == '\\') std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

// Counts the starts the launcher asks for, and does them for real.
struct CountingAgent : IAgentProcess {
  bool Running() override { return SystemDownloadAgent().Running(); }
  bool Start(const std::u16string& program, const std::u16string& parameters, uint32_t limit) override {
    ++starts;
    return SystemDownloadAgent().Start(program, parameters, limit);
  }
  bool Notify(uint32_t limit) override { return SystemDownloadAgent().Notify(limit); }
  int starts = 0;
};

class AgentProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    // A private runtime and data folder: the agent's mutex, sockets and
    // saved downloads are this test's own (POSIX; Windows keeps one session).
    platform::SetEnv("XDG_RUNTIME_DIR", EnvironmentPath(dir / u"run").c_str());
    platform::SetEnv("XDG_DATA_HOME", EnvironmentPath(dir / u"data").c_str());
    platform::MakeDirectory(dir / u"run");
    platform::MakeDirectory(dir / u"data");
    EndAgent();
    ResetSavedDownloads(SavedDownloadsPath());
  }
  void TearDown() override { EndAgent(); }

  static void EndAgent() {
    if (auto main = platform::FindProgramWindow(kDownloadMainClass)) platform::PostClose(*main, 1);
    platform::SystemClock().WaitUntil([] { return !platform::NamedMutex::Exists(kDownloadAgentMutex); }, 10000, 20);
  }
  static AgentHandOffRequest Request(int count, const std::u16string& prefix) {
    AgentHandOffRequest r;
    r.batch = std::vector<DownloadItem>();
    for (int i = 0; i < count; ++i) {
      DownloadItem item;
      item.displayName = prefix + AsciiToUtf16(std::to_string(i)) + u".bin";
      item.url = u"http://127.0.0.1:9/" + item.displayName;
      item.subFolder = u"sub";
      item.fileSize = 100 + i;
      r.batch->push_back(item);
    }
    r.language = u"en";
    r.title = u"VardKT";
    return r;
  }
  AgentLauncher Launcher() {
    AgentLauncherSetup s;
    s.program = AgentProgram();
    s.agent = &agent;
    return AgentLauncher(std::move(s));
  }
  static int Saved() { return SavedFileCount(SavedDownloadsPath()); }
  // Entries in the agent's list as its view reports them (POSIX), or -1.
  static int ListedEntries() {
    std::string dump;
    if (!platform::WindowRequest(kDownloadViewClass, "dump", &dump, 5000)) return -1;
    const std::string key = "\"name\":";
    int n = 0;
    for (size_t at = dump.find(key); at != std::string::npos; at = dump.find(key, at + 1)) ++n;
    return n;
  }
  static int RunAgent(const std::u16string& args) {
    platform::ChildProcess child = platform::ChildProcess::Start(AgentProgram(), {args});
    int code = 99;
    EXPECT_TRUE(child.Wait(20000, &code));
    return code;
  }

  platform::testing::TestFolder dir;
  CountingAgent agent;
};

TEST_F(AgentProcess, AFreshAgentTakesTheBatchAndARunningOneIsOnlyNotified) {
  AgentLauncher launcher = Launcher();
  launcher.HandOff(Request(3, u"first"));
  EXPECT_EQ(agent.starts, 1);
  ASSERT_TRUE(platform::NamedMutex::Exists(kDownloadAgentMutex));
  EXPECT_EQ(Saved(), 3);
  ASSERT_TRUE(platform::FindProgramWindow(kDownloadMainClass));

  launcher.HandOff(Request(2, u"second"));
  EXPECT_EQ(agent.starts, 1);
  EXPECT_EQ(Saved(), 5);
  const int listed = ListedEntries();
  if (listed >= 0) {
    EXPECT_EQ(listed, 5);
  }

  // A second agent of the mode ends at once and leaves the file alone.
  const int code = RunAgent(u"-Mdownload");
  EXPECT_TRUE(code == -1 || code == 255) << code;
  EXPECT_EQ(Saved(), 5);
  EXPECT_TRUE(platform::NamedMutex::Exists(kDownloadAgentMutex));
}

TEST_F(AgentProcess, AWrongModeEndsWithZero) {
  EXPECT_EQ(RunAgent(u"-MUpload "), 0);
  EXPECT_EQ(RunAgent(u"-M download"), 0);
  EXPECT_FALSE(platform::NamedMutex::Exists(kUploadAgentMutex));
}

TEST_F(AgentProcess, TwoPagesHandingOffAtOnceLoseNoBatch) {
  platform::testing::SiblingProcess one, two;
  const std::u16string program = AgentProgram();
  ASSERT_TRUE(one.Start(u"handoff_control_child", {program, u"40", u"one"}));
  ASSERT_TRUE(two.Start(u"handoff_control_child", {program, u"40", u"two"}));
  // An agent a child started may share its output: look for the child's own line.
  auto saysDone = [](platform::testing::SiblingProcess& child) {
    for (std::string line = child.ReadLine(); !line.empty(); line = child.ReadLine())
      if (line == "done") return true;
    return false;
  };
  EXPECT_TRUE(saysDone(one));
  EXPECT_TRUE(saysDone(two));
  int code = -1;
  EXPECT_TRUE(one.Wait(20000, &code));
  EXPECT_TRUE(two.Wait(20000, &code));
  EXPECT_EQ(Saved(), 80);
  const int listed = ListedEntries();
  if (listed >= 0) {
    EXPECT_EQ(listed, 80);
  }
}

}  // namespace
}  // namespace vard
