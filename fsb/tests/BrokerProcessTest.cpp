// The real vardfsb process and the client over the real pipe.
#include <gtest/gtest.h>

#include <thread>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/brokerpipe/FileBrokerClient.h"
#include "common/platform/Environment.h"
#include "common/platform/Process.h"
#include "common/platform/testing/SiblingProcess.h"
#include "common/platform/tests/TestFolder.h"
#include "fsb/tests/BrokerTestSupport.h"

namespace vard::fsb {
namespace {

using platform::testing::SiblingProcess;
using platform::testing::SiblingProgram;
using platform::testing::TestFolder;
using testing::ConsoleArgument;
using testing::Eventually;
using testing::UseRuntimeFolder;
using Bytes = std::vector<uint8_t>;

std::u16string BrokerProgram() { return SiblingProgram(u"vardfsb"); }

// A broker left over by an earlier, broken run would hold the pipe.
void EndStrayBroker() {
  FileBrokerClient client(platform::SystemClock());
  if (client.IsRunning() && client.Connect(3, 100) == status::kSuccess) client.Shutdown();
  Eventually([&] { return !client.IsRunning(); });
}

class BrokerProcess : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    // Private runtime folder (POSIX pipe and mutex files); inherited by the broker.
    runtime = new TestFolder;
    UseRuntimeFolder(runtime->Path());
    EndStrayBroker();
    broker = new platform::ChildProcess(platform::ChildProcess::Start(BrokerProgram(), {ConsoleArgument()}));
  }
  static void TearDownTestSuite() {
    FileBrokerClient client(platform::SystemClock());
    int exitCode = 0;
    uint32_t count = 0;
    const int connected = client.Connect(100, 50);
    client.QueryConnections(&count);
    // The last test's connection has just closed: that is no other client.
    const int answer = client.Shutdown();
    const bool asked = connected == status::kSuccess && answer == status::kSuccess;
    std::printf("connect %d, connections %u, shutdown %d\n", connected, count, answer);
    const bool ended = broker->Wait(10000, &exitCode);
    if (!ended) broker->Kill();
    EXPECT_TRUE(asked);
    EXPECT_TRUE(ended);
    EXPECT_EQ(exitCode, 1);
    // Later operations of a client whose broker ended report the lost connection.
    EXPECT_EQ(client.Close(), status::kNotConnected);
    EXPECT_FALSE(client.IsConnected());
    delete broker;
    delete runtime;
  }
  void SetUp() override {
    ASSERT_TRUE(broker->IsValid());
    ASSERT_EQ(client.Connect(200, 25), status::kSuccess);
  }

  static TestFolder* runtime;
  static platform::ChildProcess* broker;
  FileBrokerClient client{platform::SystemClock()};
  TestFolder folder;
};
TestFolder* BrokerProcess::runtime = nullptr;
platform::ChildProcess* BrokerProcess::broker = nullptr;

TEST_F(BrokerProcess, WrongMagicGetsNoAnswerAndTheConnectionStaysUsable) {
  platform::PipeEnd raw;
  // The broker makes the next pipe instance only after the last client came.
  ASSERT_TRUE(Eventually([&] { return (raw = platform::ConnectPipe(kPipeName)).IsOpen(); }));
  Bytes wrong = EncodeRequest(VDFS_QUERY, param::kQueryMode, {});
  wrong[3] = 'X';
  uint32_t n = 0;
  ASSERT_TRUE(raw.WriteMessage(wrong.data(), static_cast<uint32_t>(wrong.size()), &n));
  const Bytes query = EncodeRequest(VDFS_QUERY, param::kQueryConnections, {});
  ASSERT_TRUE(raw.WriteMessage(query.data(), static_cast<uint32_t>(query.size()), &n));
  Bytes answer(kMessageMax);
  ASSERT_TRUE(raw.ReadMessage(answer.data(), kMessageMax, &n));
  ASSERT_EQ(n, 8u);  // the answer to the second request
  EXPECT_EQ(GetU32(answer.data()), status::kSuccess);
  EXPECT_EQ(GetU32(&answer[4]), 2u);  // this pipe and the fixture's client
}

TEST_F(BrokerProcess, FileOperationsThroughTheClient) {
  int64_t pos = -1;
  EXPECT_EQ(client.Seek(0, 2, &pos), status::kNoFile);
  EXPECT_EQ(client.Open(u"", 2), status::kEmpty);
  ASSERT_EQ(client.Open(folder / u"data.bin", 2), status::kSuccess);
  EXPECT_EQ(client.Seek(0, 2, &pos), status::kSuccess);
  EXPECT_EQ(pos, 0);
  uint32_t written = 0;
  EXPECT_EQ(client.Write("hello, broker", 13, &written), status::kSuccess);
  EXPECT_EQ(written, 13u);
  EXPECT_EQ(client.Write("!", 1, nullptr), status::kSuccess);
  EXPECT_EQ(client.Seek(7, 0, &pos), status::kSuccess);
  char buf[32] = {};
  uint32_t got = 0;
  EXPECT_EQ(client.Read(buf, 6, &got), status::kSuccess);
  EXPECT_EQ(std::string(buf, got), "broker");
  EXPECT_EQ(client.Read(buf, sizeof buf, nullptr), status::kSuccess);
  EXPECT_EQ(buf[0], '!');
  EXPECT_EQ(client.Close(), status::kSuccess);
  EXPECT_EQ(client.Close(), status::kNoFile);
  EXPECT_EQ(platform::FileSizeOf(folder / u"data.bin"), 14);
  EXPECT_EQ(client.Open(folder / u"absent", 3), status::kNotFound);

  EXPECT_EQ(client.CreateFolderChain(folder / u"a\\b\\c\\"), status::kSuccess);
  EXPECT_TRUE(platform::IsDirectory(folder / u"a\\b\\c"));
  uint8_t mode = 9;
  EXPECT_EQ(client.QueryMode(&mode), status::kSuccess);
  EXPECT_EQ(mode, 0);
}

TEST_F(BrokerProcess, OversizedWriteIsRefusedBeforeSending) {
  std::vector<char> big(32769, 'x');
  FileBrokerClient offline(platform::SystemClock());  // nothing could be sent: still 9, not 6
  EXPECT_EQ(offline.Write(big.data(), 32769, nullptr), status::kTooLarge);
  ASSERT_EQ(client.Open(folder / u"big", 2), status::kSuccess);
  EXPECT_EQ(client.Write(big.data(), 32769, nullptr), status::kTooLarge);
  EXPECT_EQ(client.Write(big.data(), 32768, nullptr), status::kSuccess);
  EXPECT_EQ(client.Close(), status::kSuccess);
  EXPECT_EQ(platform::FileSizeOf(folder / u"big"), 32768);
}

TEST_F(BrokerProcess, BrokerRefusesAWriteOverTheLimitThatTheClientWouldNotSend) {
  platform::PipeEnd raw;
  ASSERT_TRUE(Eventually([&] { return (raw = platform::ConnectPipe(kPipeName)).IsOpen(); }));
  Bytes answer(kMessageMax);
  auto call = [&](const Bytes& request) {
    uint32_t n = 0;
    if (!raw.WriteMessage(request.data(), static_cast<uint32_t>(request.size()), &n)) return Bytes{};
    if (!raw.ReadMessage(answer.data(), kMessageMax, &n)) return Bytes{};
    return Bytes(answer.begin(), answer.begin() + n);
  };
  ASSERT_EQ(call(EncodeRequest(VDFS_OPEN, param::kSetPath, PathPayload(folder / u"raw"))), (Bytes{1, 0, 0, 0}));
  ASSERT_EQ(call(EncodeRequest(VDFS_OPEN, param::kOpen, Bytes{2, 0, 0, 0})), (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(call(EncodeRequest(VDFS_WRITE, param::kWriteCount, Bytes(kWriteMax + 1, 'x'))),
            (Bytes{status::kUnreadable, 0, 0, 0}));
  EXPECT_EQ(call(EncodeRequest(VDFS_WRITE, param::kWriteCount, Bytes(kWriteMax, 'y'))),
            (Bytes{1, 0, 0, 0, 0x00, 0x80, 0, 0}));
  EXPECT_EQ(call(EncodeRequest(VDFS_CLOSE, 0, {})), (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(platform::FileSizeOf(folder / u"raw"), kWriteMax);
}

TEST_F(BrokerProcess, ShutdownWithTwoClientsIsRefusedAndTheBrokerStays) {
  FileBrokerClient other(platform::SystemClock());
  ASSERT_EQ(other.Connect(3, 100), status::kSuccess);
  EXPECT_EQ(other.Shutdown(), status::kRefused);
  // The previous test's connection may still be ending.
  uint32_t count = 0;
  EXPECT_TRUE(Eventually([&] { return client.QueryConnections(&count) == status::kSuccess && count == 2u; }))
      << count;
}

TEST_F(BrokerProcess, SharingViolationAndNoHandleLeftAfterADisconnect) {
  ASSERT_EQ(client.Open(folder / u"held", 2), status::kSuccess);
  FileBrokerClient other(platform::SystemClock());
  ASSERT_EQ(other.Connect(3, 100), status::kSuccess);
  EXPECT_EQ(other.Open(folder / u"held", 3), status::kSharing);
  client.Disconnect();  // with the file still open
  EXPECT_TRUE(Eventually([&] { return other.Open(folder / u"held", 3) == status::kSuccess; }));
  EXPECT_EQ(other.Close(), status::kSuccess);
}

TEST_F(BrokerProcess, TwoClientsWritingAtOnceGetExactFiles) {
  auto pattern = [](int seed, size_t size) {
    Bytes b(size);
    uint32_t x = 2463534242u + seed;
    for (auto& v : b) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      v = static_cast<uint8_t>(x);
    }
    return b;
  };
  const size_t size = 3 * 1024 * 1024 + 123;
  auto writer = [&](int seed, std::u16string path, int* result) {
    FileBrokerClient c(platform::SystemClock());
    const Bytes data = pattern(seed, size);
    *result = c.Connect(3, 100);
    if (*result != status::kSuccess) return;
    *result = c.Open(path, 2);
    for (size_t off = 0; off < size && *result == status::kSuccess;) {
      const uint32_t n = static_cast<uint32_t>(std::min<size_t>(size - off, 1000 + (off * 7) % 31769));
      uint32_t w = 0;
      *result = c.Write(&data[off], n, &w);
      if (w != n) *result = -1;
      off += n;
    }
    if (*result == status::kSuccess) *result = c.Close();
  };
  int r1 = 0, r2 = 0;
  std::thread t1(writer, 1, folder / u"one.bin", &r1), t2(writer, 2, folder / u"two.bin", &r2);
  t1.join();
  t2.join();
  ASSERT_EQ(r1, status::kSuccess);
  ASSERT_EQ(r2, status::kSuccess);
  for (int seed : {1, 2}) {
    platform::File f = platform::File::Open(folder / (seed == 1 ? u"one.bin" : u"two.bin"), platform::access::kRead,
                                            platform::share::kRead, platform::Disposition::kOpenExisting);
    Bytes back(size + 1);
    uint32_t got = 0;
    ASSERT_TRUE(f.Read(back.data(), static_cast<uint32_t>(back.size()), &got));
    back.resize(got);
    EXPECT_TRUE(back == pattern(seed, size)) << "file " << seed;
  }
}

// Runs after the shared broker ended: the agent's way of starting one.
TEST(BrokerLaunch, LaunchServesThePipeAndASecondBrokerStopsAtOnce) {
  TestFolder runtime;
  UseRuntimeFolder(runtime.Path());
  platform::SetEnv("VARDEL_OS_MAJOR", "5");  // no elevation prompt in tests
  EndStrayBroker();
  FileBrokerClient client(platform::SystemClock());
  EXPECT_FALSE(client.IsRunning());
  EXPECT_FALSE(client.Launch());  // no program path yet
  ASSERT_TRUE(client.SetProgramPath(BrokerProgram()));
  ASSERT_TRUE(client.Launch());
  // Probing while the broker starts must not make it stop.
  EXPECT_TRUE(Eventually([&] { return client.IsRunning(); }));
  ASSERT_EQ(client.Connect(3, 500), status::kSuccess);
  EXPECT_FALSE(client.Launch());  // connected

  platform::ChildProcess second = platform::ChildProcess::Start(BrokerProgram(), {ConsoleArgument()});
  int exitCode = 0;
  ASSERT_TRUE(second.Wait(10000, &exitCode));
  EXPECT_EQ(exitCode, -1);

  EXPECT_EQ(client.Shutdown(), status::kSuccess);
  EXPECT_TRUE(Eventually([&] { return !client.IsRunning(); }));
  platform::SetEnv("VARDEL_OS_MAJOR", nullptr);
}

// An agent started while the last one's broker is ending must not be served
// by that broker and cut off half a second later.
TEST(BrokerLaunch, ABrokerThatAnsweredAShutdownLeavesTheNextClientToANewOne) {
  TestFolder runtime;
  UseRuntimeFolder(runtime.Path());
  platform::SetEnv("VARDEL_OS_MAJOR", "5");
  EndStrayBroker();
  FileBrokerClient first(platform::SystemClock());
  ASSERT_TRUE(first.SetProgramPath(BrokerProgram()));
  ASSERT_TRUE(first.Launch());
  ASSERT_EQ(first.Connect(3, 500), status::kSuccess);
  ASSERT_EQ(first.Shutdown(), status::kSuccess);

  // At once, as an agent that starts right after another closed would.
  FileBrokerClient next(platform::SystemClock());
  ASSERT_TRUE(next.SetProgramPath(BrokerProgram()));
  ASSERT_TRUE(Eventually([&] { return !next.IsRunning(); }, 400)) << "the ending broker kept its mutex";
  ASSERT_TRUE(next.Launch());
  ASSERT_EQ(next.Connect(3, 500), status::kSuccess);
  uint8_t mode = 0;
  ASSERT_EQ(next.QueryMode(&mode), status::kSuccess);
  // Past the ending broker's pause: the connection is the new broker's.
  platform::SystemClock().Sleep(800);
  EXPECT_EQ(next.QueryMode(&mode), status::kSuccess);
  EXPECT_EQ(next.Shutdown(), status::kSuccess);
  EXPECT_TRUE(Eventually([&] { return !next.IsRunning(); }));
  platform::SetEnv("VARDEL_OS_MAJOR", nullptr);
}

TEST(BrokerCommandLine, UnknownOptionIsNamedOnTheOutputAndEndsWithMinusOne) {
  for (const std::u16string& bad : {std::u16string(u"-bogus"), std::u16string(u"-")}) {
    SiblingProcess broker;
    ASSERT_TRUE(broker.Start(u"vardfsb", {ConsoleArgument(), bad}));
    EXPECT_EQ(broker.ReadLine(), "Invalid Value: " + Utf16ToUtf8(bad));
    EXPECT_EQ(broker.ReadLine(), "");  // nothing more
    int exitCode = 0;
    ASSERT_TRUE(broker.Wait(10000, &exitCode));
    EXPECT_EQ(exitCode, -1);
  }
}

}  // namespace
}  // namespace vard::fsb
