// The download job through the real broker process over the real pipe: the
// job starts the broker when it is absent, writes blocks of any size, and
// finishes a file by itself when the broker dies in the middle of it.
#include <gtest/gtest.h>

#include "agent/jobs/BrokerOutput.h"
#include "agent/jobs/BrokerStarter.h"
#include "agent/jobs/DirectOutput.h"
#include "agent/jobs/DownloadJob.h"
#include "agent/tests/FakeJobHost.h"
#include "agent/tests/JobTestSupport.h"
#include "common/brokerpipe/BrokerProtocol.h"
#include "common/http/InternetHandles.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Environment.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Process.h"
#include "common/platform/testing/FakeClock.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

namespace p = platform;
using http_tests::ServerUrl;
using testing::DataBytes;
using testing::FakeJobHost;
using testing::MakeEntry;
using testing::ReadAll;
using testing::SameBytes;
using testing::WriteAll;

std::u16string BrokerProgram() {
  std::u16string path = AsciiToUtf16(VARD_BROKER_PROGRAM);
  for (auto& c : path)
    if (c == u'/') c = u'\\';
  return path;
}

bool Eventually(const std::function<bool()>& ready) { return p::SystemClock().WaitUntil(ready, 10000, 20); }

bool BrokerRunning() { return p::NamedMutex::Exists(fsb::kInstanceMutexName); }

class BrokerDownloadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A private runtime folder (the POSIX pipe and mutex files), inherited
    // by the brokers the job starts.
    runtime = new p::testing::TestFolder;
    std::string os = Utf16ToUtf8(runtime->Path());
    for (char& c : os)
      if (c == '\\') c = '/';
    p::SetEnv("XDG_RUNTIME_DIR", os.c_str());
  }
  static void TearDownTestSuite() {
    delete runtime;
    runtime = nullptr;
  }
  void SetUp() override {
    session.Open(u"VardKT5");
    ASSERT_FALSE(BrokerRunning());
  }
  void TearDown() override {
    client.Disconnect();
    if (BrokerRunning()) EndConsoleBroker(client);
    EXPECT_TRUE(Eventually([] { return !BrokerRunning(); }));
  }
  DownloadJobServices Services() {
    DownloadJobServices s;
    s.clock = &clock;
    s.direct = &direct;
    s.broker = &broker;
    s.osMajorVersion = [] { return 10; };
    s.session = [this] { return session.Handle(); };
    s.log = host.LogSink();
    return s;
  }
  std::u16string In(const std::u16string& name) { return folder.Path() + u"\\" + name; }

  static p::testing::TestFolder* runtime;
  p::testing::TestFolder folder;
  p::testing::FakeClock clock;
  FakeJobHost host;
  CInternetSession session;
  fsb::FileBrokerClient client{p::SystemClock()};
  DirectOutput direct{p::RealFileSystem()};
  BrokerOutput broker{client, BrokerProgram()};
};
p::testing::TestFolder* BrokerDownloadTest::runtime = nullptr;

TEST_F(BrokerDownloadTest, JobStartsTheBrokerAndWritesEveryBlockThroughIt) {
  WriteAll(In(u"part.bin"), DataBytes(200000).substr(0, 70000));
  auto big = MakeEntry(ServerUrl("/data/3000000"), u"big.bin", 3000000, u"deep/er/");
  auto part = MakeEntry(ServerUrl("/data/200000"), u"part.bin", 200000);
  auto marker = MakeEntry(u"this_is_folder", u"", 0, u"made/here/");
  auto empty = MakeEntry(ServerUrl("/data/0"), u"empty.bin", 0);
  host.replies = {{existing_file::kResume, false, {}}};
  DownloadJob(host, Services()).Run({big, part, marker, empty}, folder.Path(), u"");
  EXPECT_TRUE(BrokerRunning());
  // Network blocks larger than one broker write arrive whole.
  EXPECT_TRUE(SameBytes(ReadAll(In(u"deep\\er\\big.bin")), DataBytes(3000000)));
  EXPECT_TRUE(SameBytes(ReadAll(In(u"part.bin")), DataBytes(200000)));
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_TRUE(p::IsDirectory(In(u"made\\here")));
  EXPECT_EQ(p::FileSizeOf(In(u"empty.bin")), 0);
  for (const auto& e : {big, part, marker, empty}) EXPECT_EQ(e->status, entry_status::kDone);
  EXPECT_TRUE(host.messages.empty());
  // Each file carries its origin, where this file system keeps marks.
  WriteAll(In(u"probe"), "x");
  if (p::RealFileSystem().WriteOriginMark(In(u"probe"), p::MakeOriginMark(u"http://h/", u"", p::UrlZone::kInternet))) {
    for (const auto& [name, url] : {std::pair{u"deep\\er\\big.bin", "/data/3000000"}, {u"part.bin", "/data/200000"}}) {
      const auto mark = p::RealFileSystem().ReadOriginMark(In(name));
      ASSERT_TRUE(mark) << Utf16ToUtf8(name);
      EXPECT_EQ(mark->hostUrl, ServerUrl(url));
    }
  }
  // The download view closes: the console-mode broker ends.
  EXPECT_TRUE(EndConsoleBroker(client));
  EXPECT_TRUE(Eventually([] { return !BrokerRunning(); }));
}

TEST_F(BrokerDownloadTest, BrokerDyingInTheMiddleOfAFileIsALostConnection) {
  // Our own broker, so that the test can kill it; the job starts the next.
  p::ChildProcess first =
      p::ChildProcess::Start(BrokerProgram(), {std::u16string(u"-") + fsb::kConsoleModeGuid});
  ASSERT_TRUE(first.IsValid());
  ASSERT_TRUE(Eventually([&] { return client.Connect(1, 0) == fsb::status::kSuccess; }));
  client.Disconnect();
  auto e = MakeEntry(ServerUrl("/data/3000000?throttle=3000000"), u"killed.bin", 3000000);
  bool killed = false;
  host.onPoll = [&] {
    if (!killed && e->bytes_done > 1000000) {
      killed = true;
      first.Kill();
      int code = 0;
      first.Wait(10000, &code);
    }
  };
  DownloadJob(host, Services()).Run({e}, folder.Path(), u"");
  EXPECT_TRUE(killed);
  EXPECT_EQ(host.countdowns, (std::vector<int>{1}));
  EXPECT_TRUE(host.messages.empty());  // no "not enough space"
  EXPECT_EQ(e->status, entry_status::kDone);
  EXPECT_TRUE(SameBytes(ReadAll(In(u"killed.bin")), DataBytes(3000000)));
  EXPECT_EQ(host.CountLogs(u"다운로드 에러"), 1);
}

// The agent's close ends only a broker its own download view used: another
// mode, or a start that fails, leaves the broker of a running download
// (the one started here stands for it).
TEST_F(BrokerDownloadTest, AnAgentThatNeverUsedTheBrokerLeavesItRunning) {
  p::ChildProcess broker = p::ChildProcess::Start(BrokerProgram(), {std::u16string(u"-") + fsb::kConsoleModeGuid});
  ASSERT_TRUE(broker.IsValid());
  ASSERT_TRUE(Eventually([&] { return client.Connect(1, 0) == fsb::status::kSuccess; }));
  client.Disconnect();
  std::u16string agent = AsciiToUtf16(VARD_AGENT_PROGRAM);
  for (auto& c : agent)
    if (c == u'/') c = u'\\';
  p::ChildProcess other = p::ChildProcess::Start(agent, {u"-Mbogus"});
  ASSERT_TRUE(other.IsValid());
  int code = 0;
  ASSERT_TRUE(other.Wait(20000, &code));
  // A broker told to end does so 500 ms after its answer.
  EXPECT_FALSE(broker.Wait(2000, &code)) << "the agent ended the broker";
  EXPECT_TRUE(EndConsoleBroker(client));
  EXPECT_TRUE(broker.Wait(10000, &code));
}

TEST_F(BrokerDownloadTest, AbsentBrokerProgramFailsEachEntryWithItsLogLine) {
  BrokerOutput nowhere(client, folder.Path() + u"\\no-such-broker");
  DownloadJobServices s = Services();
  s.broker = &nowhere;
  auto e = MakeEntry(ServerUrl("/data/10"), u"x.bin", 10);
  auto f = MakeEntry(ServerUrl("/data/10"), u"y.bin", 10);
  DownloadJob(host, s).Run({e, f}, folder.Path(), u"");
  EXPECT_EQ(e->status, entry_status::kFailed);
  EXPECT_EQ(f->status, entry_status::kFailed);
  EXPECT_EQ(host.CountLogs(u"the Pipe Server Execute Error"), 2);
  EXPECT_EQ(host.logs[0].url, u"IPC");
  EXPECT_EQ(host.logs[0].path, u"ExecuteFSB");
  EXPECT_FALSE(p::PathExists(In(u"x.bin")));
}

}  // namespace
}  // namespace vard
