// Message pipes and named mutexes of the platform boundary.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "common/platform/FileSystem.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Pipe.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

std::u16string UniqueName(const char* what) {
  static int counter = 0;
  return AsciiToUtf16(std::string("\\\\.\\pipe\\vard-test-") + what + "-" +
                      std::to_string(reinterpret_cast<uintptr_t>(&counter) % 99991) + "-" +
                      std::to_string(++counter));
}

// A listener thread that accepts one client.
struct OneClientServer {
  explicit OneClientServer(const std::u16string& name) : listener(name, 4096) {
    thread = std::thread([this] {
      bool fatal = false;
      end = listener.Accept(&fatal);
    });
  }
  PipeEnd Join() {
    thread.join();
    return std::move(end);
  }
  PipeListener listener;
  PipeEnd end;
  std::thread thread;
};

// The server thread may not have opened its listener yet.
PipeEnd ConnectSoon(const std::u16string& name) {
  PipeEnd c;
  SystemClock().WaitUntil([&] { return (c = ConnectPipe(name)).IsOpen(); }, 2000, 10);
  return c;
}

TEST(Pipe, KeepsMessageBoundariesBothWays) {
  const auto name = UniqueName("msg");
  OneClientServer server(name);
  PipeEnd client = ConnectSoon(name);
  ASSERT_TRUE(client.IsOpen());
  PipeEnd served = server.Join();
  ASSERT_TRUE(served.IsOpen());

  uint32_t n = 0;
  ASSERT_TRUE(client.WriteMessage("abc", 3, &n));
  EXPECT_EQ(n, 3u);
  ASSERT_TRUE(client.WriteMessage("defgh", 5, &n));
  char buf[64] = {};
  ASSERT_TRUE(served.ReadMessage(buf, sizeof buf, &n));
  EXPECT_EQ(std::string(buf, n), "abc");
  ASSERT_TRUE(served.ReadMessage(buf, sizeof buf, &n));
  EXPECT_EQ(std::string(buf, n), "defgh");

  ASSERT_TRUE(served.WriteMessage("xyz!", 4, &n));
  ASSERT_TRUE(client.ReadMessage(buf, sizeof buf, &n));
  EXPECT_EQ(std::string(buf, n), "xyz!");
}

TEST(Pipe, OversizedMessageFailsTheReadAndLostPeersAreReported) {
  const auto name = UniqueName("big");
  OneClientServer server(name);
  PipeEnd client = ConnectSoon(name);
  ASSERT_TRUE(client.IsOpen());
  PipeEnd served = server.Join();

  std::string big(100, 'x');
  uint32_t n = 0;
  ASSERT_TRUE(client.WriteMessage(big.data(), 100, &n));
  char buf[50];
  EXPECT_FALSE(served.ReadMessage(buf, sizeof buf, &n));
  EXPECT_EQ(LastError(), error::kMoreData);

  client.Close();
  // Win32 may still hand out the rest of the oversized message first.
  bool ok = true;
  for (int i = 0; i < 4 && ok; ++i) ok = served.ReadMessage(buf, sizeof buf, &n) || LastError() == error::kMoreData;
  EXPECT_FALSE(ok);
  EXPECT_EQ(LastError(), error::kBrokenPipe);
}

TEST(Pipe, WriteToClosedServerReportsTheLostPeer) {
  const auto name = UniqueName("gone");
  OneClientServer server(name);
  PipeEnd client = ConnectSoon(name);
  ASSERT_TRUE(client.IsOpen());
  PipeEnd served = server.Join();
  served.Close();
  uint32_t n = 0;
  EXPECT_FALSE(client.WriteMessage("a", 1, &n));
  // Win32 says "not connected" after the server disconnected the instance.
  EXPECT_TRUE(LastError() == error::kNoData || LastError() == error::kPipeNotConnected) << LastError();
}

TEST(Pipe, ConnectWithoutServerReportsNotFound) {
  PipeEnd c = ConnectPipe(UniqueName("none"));
  EXPECT_FALSE(c.IsOpen());
  EXPECT_EQ(LastError(), error::kFileNotFound);
}

TEST(Pipe, OpenedListenerServesBeforeItsFirstAccept) {
  const auto name = UniqueName("open");
  PipeListener listener(name, 4096);
  ASSERT_TRUE(listener.Open());
  EXPECT_TRUE(listener.Open());  // once is enough
  PipeEnd client = ConnectPipe(name);
  ASSERT_TRUE(client.IsOpen());
  bool fatal = true;
  PipeEnd served = listener.Accept(&fatal);
  ASSERT_TRUE(served.IsOpen());
  EXPECT_FALSE(fatal);
  uint32_t n = 0;
  ASSERT_TRUE(client.WriteMessage("hi", 2, &n));
  char buf[8] = {};
  ASSERT_TRUE(served.ReadMessage(buf, sizeof buf, &n));
  EXPECT_EQ(std::string(buf, n), "hi");
}

// Starting a broker waits on this: its pipe, not its process, is what a
// client needs, and a busy instance still means the name is served.
TEST(Pipe, AWatchSeesAServerOpenedAfterItAndKeepsSeeingItWhileBusy) {
  const auto name = UniqueName("watch");
  const PipeServedWatch watch(name);
  EXPECT_FALSE(watch.Served());
  PipeListener listener(name, 4096);
  ASSERT_TRUE(listener.Open());
  EXPECT_TRUE(watch.Served());
  PipeEnd client = ConnectPipe(name);
  ASSERT_TRUE(client.IsOpen());
  EXPECT_TRUE(watch.Served());
}

TEST(NamedMutex, SecondCreateSeesTheFirstUntilItCloses) {
  const std::u16string name = u"Global\\vard-test-mutex-" + UniqueName("m").substr(9);
  bool existed = true;
  EXPECT_FALSE(NamedMutex::Exists(name));
  NamedMutex first = NamedMutex::Create(name, &existed);
  ASSERT_TRUE(first.IsValid());
  EXPECT_FALSE(existed);
  NamedMutex second = NamedMutex::Create(name, &existed);
  EXPECT_TRUE(second.IsValid());
  EXPECT_TRUE(existed);
  EXPECT_TRUE(NamedMutex::Exists(name));
  second.Close();
  first.Close();
  EXPECT_FALSE(NamedMutex::Exists(name));
  NamedMutex third = NamedMutex::Create(name, &existed);
  ASSERT_TRUE(third.IsValid());
  EXPECT_FALSE(existed);
}

}  // namespace
}  // namespace vard::platform
