// Who counts as connected when a client asks the broker to end: a client
// that closed its connection and at once asks on a new one is alone, even
// before the old connection's worker has noticed; a client still there
// keeps the broker. POSIX only: there a closed client is seen at once, so
// the server's time can stand still.
#include <gtest/gtest.h>

#include <atomic>
#include <optional>

#include "common/brokerpipe/FileBrokerClient.h"
#include "common/platform/Environment.h"
#include "common/platform/FileSystem.h"
#include "common/platform/testing/FakeClock.h"
#include "common/platform/tests/TestFolder.h"
#include "fsb/BrokerServer.h"
#include "fsb/tests/BrokerTestSupport.h"

namespace vard::fsb {
namespace {

class ShutdownCount : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::UseRuntimeFolder(runtime_.Path());
    ended_ = new std::atomic<int>(0);
    StartServer();
  }
  // A broker that answered a shutdown serves nobody more: each round has
  // its own, started once the last one let go of the mutex.
  void StartServer() {
    BrokerServer::Options options;
    options.pipeName = u"VDFS-count";
    std::atomic<int>* ended = ended_;
    options.onShutdown = [ended](BrokerServer&) { ++*ended; };
    // Left alive with its clock and counter: its detached threads use them
    // until the process ends.
    server_ = new BrokerServer(options, *new platform::testing::FakeClock);
    ASSERT_TRUE(testing::Eventually([&] { return server_->Start() == BrokerServer::StartResult::kServing; }));
  }
  void TearDown() override { platform::SetEnv("XDG_RUNTIME_DIR", saved_ ? saved_->c_str() : nullptr); }

  std::optional<std::string> saved_ = platform::GetEnv("XDG_RUNTIME_DIR");
  platform::testing::TestFolder runtime_;
  std::atomic<int>* ended_ = nullptr;
  BrokerServer* server_ = nullptr;
};

TEST_F(ShutdownCount, AClientsOwnClosedConnectionNeverHoldsTheBroker) {
  for (int round = 0; round < 200; ++round) {
    if (round > 0) {
      ASSERT_NO_FATAL_FAILURE(StartServer());
    }
    FileBrokerClient before(platform::SystemClock(), u"VDFS-count");
    ASSERT_EQ(before.Connect(1, 0), status::kSuccess);
    uint8_t mode = 9;
    ASSERT_EQ(before.QueryMode(&mode), status::kSuccess);
    before.Disconnect();
    FileBrokerClient after(platform::SystemClock(), u"VDFS-count");
    ASSERT_EQ(after.Connect(1, 0), status::kSuccess);
    uint32_t count = 0;
    ASSERT_EQ(after.QueryConnections(&count), status::kSuccess);
    EXPECT_EQ(count, 1u) << "round " << round;
    const int answer = after.Shutdown();
    ASSERT_EQ(answer, status::kSuccess) << "round " << round << ", error " << platform::LastError();
  }
  EXPECT_TRUE(testing::Eventually([&] { return *ended_ == 200; }));
}

TEST_F(ShutdownCount, AClientStillConnectedKeepsTheBroker) {
  FileBrokerClient staying(platform::SystemClock(), u"VDFS-count");
  ASSERT_EQ(staying.Connect(1, 0), status::kSuccess);
  uint8_t mode = 9;
  ASSERT_EQ(staying.QueryMode(&mode), status::kSuccess);
  FileBrokerClient asking(platform::SystemClock(), u"VDFS-count");
  ASSERT_EQ(asking.Connect(1, 0), status::kSuccess);
  EXPECT_EQ(asking.Shutdown(), status::kRefused);
  // Even one that sent a request it has not had answered yet.
  EXPECT_EQ(staying.QueryMode(&mode), status::kSuccess);
  EXPECT_EQ(*ended_, 0);
}

}  // namespace
}  // namespace vard::fsb
