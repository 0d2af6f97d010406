// A runtime folder too long for the pipe's socket (POSIX only: there the
// pipe is a socket file in that folder). The broker must say so and stop,
// not hold the single-instance mutex while serving nothing.
#include <gtest/gtest.h>

#include <optional>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/platform/Environment.h"
#include "common/platform/FileSystem.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Pipe.h"
#include "common/platform/testing/FakeClock.h"
#include "common/platform/testing/SiblingProcess.h"
#include "common/platform/tests/TestFolder.h"
#include "fsb/BrokerServer.h"
#include "fsb/tests/BrokerTestSupport.h"

namespace vard::fsb {
namespace {

using platform::testing::SiblingProcess;
using platform::testing::TestFolder;

class LongRuntimeFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    // 85 characters: the socket's own path would still fit an address.
    std::u16string path = base_.Path() + u"\\";
    const size_t base = testing::UseRuntimeFolder(path).size();
    path += std::u16string(85 - base, u'r');
    ASSERT_TRUE(platform::MakeDirectory(path));
    runtime_ = testing::UseRuntimeFolder(path);
    ASSERT_EQ(runtime_.size(), 85u);
  }
  void TearDown() override { platform::SetEnv("XDG_RUNTIME_DIR", saved_ ? saved_->c_str() : nullptr); }

  std::optional<std::string> saved_ = platform::GetEnv("XDG_RUNTIME_DIR");
  TestFolder base_;
  std::string runtime_;
};

TEST_F(LongRuntimeFolder, BrokerProgramSaysWhyAndStops) {
  SiblingProcess broker;
  ASSERT_TRUE(broker.Start(u"vardfsb", {testing::ConsoleArgument()}));
  int exitCode = 0;
  ASSERT_TRUE(broker.Wait(5000, &exitCode)) << "started without serving";
  EXPECT_EQ(exitCode, -1);
  EXPECT_EQ(broker.ReadToEnd(), "vardfsb: cannot serve the pipe at " + runtime_ +
                                    "/vardel/pipe/VDFS (error 206: the path is too long)\n");
  EXPECT_FALSE(platform::NamedMutex::Exists(kInstanceMutexName));
}

TEST_F(LongRuntimeFolder, ServerStartFailsAndReleasesTheMutex) {
  platform::testing::FakeClock clock;
  // Left alive on purpose should it start after all: its thread uses it.
  auto* server = new BrokerServer({}, clock);
  EXPECT_EQ(server->Start(), BrokerServer::StartResult::kNoPipe);
  EXPECT_EQ(platform::LastError(), platform::error::kFilenameExcedRange);
  EXPECT_FALSE(platform::NamedMutex::Exists(kInstanceMutexName));
  bool existed = true;
  platform::NamedMutex next = platform::NamedMutex::Create(kInstanceMutexName, &existed, clock);
  EXPECT_TRUE(next.IsValid());
  EXPECT_FALSE(existed);
  if (!HasFailure()) delete server;
}

}  // namespace
}  // namespace vard::fsb
