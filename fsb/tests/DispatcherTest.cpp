// The broker's operations against a scratch folder, without a pipe.
#include <gtest/gtest.h>

#include <vector>

#include "common/platform/tests/TestFolder.h"
#include "fsb/BrokerDispatcher.h"

namespace vard::fsb {
namespace {

using Bytes = std::vector<uint8_t>;
using platform::testing::TestFolder;

class Dispatcher : public ::testing::Test {
 protected:
  // Sends `payload`, with the length field set to `claimed` when given.
  Bytes Call(ConnectionState& c, uint32_t opcode, uint32_t param, const Bytes& payload = {},
             int64_t claimed = -1, uint32_t connections = 1) {
    Bytes message = EncodeRequest(opcode, param, payload);
    if (claimed >= 0) PutU32(&message[12], static_cast<uint32_t>(claimed));
    BrokerRequest h{};
    std::span<const uint8_t> received;
    EXPECT_TRUE(DecodeRequest(message, &h, &received));
    Bytes response(kMessageMax);
    shutdown = false;
    const uint32_t n = Dispatch(h, received, c, {&registry, false, connections}, response.data(), &shutdown);
    response.resize(n);
    return response;
  }
  uint32_t StatusOf(const Bytes& answer) { return answer.size() >= 4 ? GetU32(answer.data()) : 99; }
  Bytes U32(uint32_t v) {
    Bytes b(4);
    PutU32(b.data(), v);
    return b;
  }
  Bytes I64(int64_t v) {
    Bytes b(8);
    PutI64(b.data(), v);
    return b;
  }
  uint32_t Open(ConnectionState& c, const std::u16string& path, uint32_t disposition) {
    EXPECT_EQ(StatusOf(Call(c, VDFS_OPEN, param::kSetPath, PathPayload(path))), status::kSuccess);
    return StatusOf(Call(c, VDFS_OPEN, param::kOpen, U32(disposition)));
  }

  TestFolder folder;
  OpenFileRegistry registry;
  ConnectionState a{1, {}, nullptr}, b{2, {}, nullptr};
  bool shutdown = false;
};

TEST_F(Dispatcher, LengthBeyondTheReceivedBytesIsUnreadable) {
  ASSERT_EQ(Open(a, folder / u"f", 2), status::kSuccess);
  EXPECT_EQ(Call(a, VDFS_WRITE, 4, Bytes{1, 2, 3}, 5000), U32(status::kUnreadable));
  EXPECT_EQ(Call(a, VDFS_OPEN, 1, Bytes{'x', 0}, 0x7fffffff), U32(status::kUnreadable));
  EXPECT_EQ(platform::FileSizeOf(folder / u"f"), 0);
  // A shorter claim than what arrived uses only the claimed bytes.
  EXPECT_EQ(StatusOf(Call(a, VDFS_WRITE, 3, Bytes{1, 2, 3}, 2)), status::kSuccess);
  EXPECT_EQ(platform::FileSizeOf(folder / u"f"), 2);
}

TEST_F(Dispatcher, ReadCountMustFitTheAnswer) {
  ASSERT_EQ(Open(a, folder / u"r", 2), status::kSuccess);
  const Bytes data(40000, 7);
  Call(a, VDFS_WRITE, 3, Bytes(data.begin(), data.begin() + 32768));
  Call(a, VDFS_WRITE, 3, Bytes(data.begin(), data.begin() + 7232));
  Call(a, VDFS_SEEK, 0, I64(0));
  EXPECT_EQ(Call(a, VDFS_READ, 6, U32(kMessageMax - 7)), U32(status::kUnreadable));
  EXPECT_EQ(Call(a, VDFS_READ, 0, U32(0xFFFFFFFF)), U32(status::kUnreadable));
  EXPECT_EQ(Call(a, VDFS_READ, 6, U32(kMessageMax - 8)).size(), kMessageMax);
  Call(a, VDFS_SEEK, 0, I64(0));
  EXPECT_EQ(Call(a, VDFS_READ, 0, U32(kMessageMax - 4)).size(), kMessageMax);
}

TEST_F(Dispatcher, WriteTakesAtMostTheClientsLimitAndRefusesMoreWhole) {
  ASSERT_EQ(Open(a, folder / u"w", 2), status::kSuccess);
  EXPECT_EQ(Call(a, VDFS_WRITE, 4, Bytes(kWriteMax, 1)), (Bytes{1, 0, 0, 0, 0x00, 0x80, 0, 0}));
  EXPECT_EQ(Call(a, VDFS_WRITE, 4, Bytes(kWriteMax + 1, 2)), U32(status::kUnreadable));
  EXPECT_EQ(Call(a, VDFS_WRITE, 3, Bytes(kMessageMax - kHeaderSize, 3)), U32(status::kUnreadable));
  EXPECT_EQ(platform::FileSizeOf(folder / u"w"), kWriteMax);  // nothing of the refused ones
}

TEST_F(Dispatcher, ReadWithAndWithoutTheCount) {
  ASSERT_EQ(Open(a, folder / u"rw", 2), status::kSuccess);
  EXPECT_EQ(Call(a, VDFS_WRITE, 4, Bytes{'a', 'b', 'c', 'd', 'e'}), (Bytes{1, 0, 0, 0, 5, 0, 0, 0}));
  EXPECT_EQ(Call(a, VDFS_WRITE, 3, Bytes{'f'}), U32(1));
  EXPECT_EQ(Call(a, VDFS_SEEK, 0, I64(1)), (Bytes{1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Call(a, VDFS_READ, 6, U32(3)), (Bytes{1, 0, 0, 0, 3, 0, 0, 0, 'b', 'c', 'd'}));
  EXPECT_EQ(Call(a, VDFS_READ, 0, U32(10)), (Bytes{1, 0, 0, 0, 'e', 'f'}));
  EXPECT_EQ(Call(a, VDFS_READ, 6, {}), U32(status::kEmpty));
  EXPECT_EQ(Call(a, VDFS_READ, 6, Bytes{1, 0}), U32(status::kUnreadable));
}

TEST_F(Dispatcher, OpenStatuses) {
  EXPECT_EQ(StatusOf(Call(a, VDFS_OPEN, 2, U32(3))), status::kNotFound);  // no path set
  EXPECT_EQ(StatusOf(Call(a, VDFS_OPEN, 1, {})), status::kEmpty);
  EXPECT_EQ(StatusOf(Call(a, VDFS_OPEN, 1, Bytes{0, 0})), status::kEmpty);
  EXPECT_EQ(StatusOf(Call(a, VDFS_OPEN, 9, PathPayload(u"x"))), status::kFailed);
  EXPECT_EQ(Open(a, folder / u"missing", 3), status::kNotFound);
  EXPECT_EQ(Open(a, folder / u"no\\such\\dir", 2), status::kNotFound);
  EXPECT_EQ(Open(a, folder / u"bad", 77), status::kFailed);
  ASSERT_EQ(Open(a, folder / u"shared", 2), status::kSuccess);
  EXPECT_EQ(Open(b, folder / u"shared", 3), status::kSharing);
}

TEST_F(Dispatcher, SeekStatuses) {
  EXPECT_EQ(Call(a, VDFS_SEEK, 2, I64(0)), U32(status::kNoFile));
  ASSERT_EQ(Open(a, folder / u"empty", 2), status::kSuccess);
  EXPECT_EQ(Call(a, VDFS_SEEK, 2, {}), U32(status::kEmpty));
  EXPECT_EQ(Call(a, VDFS_SEEK, 2, I64(0)), (Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Call(a, VDFS_SEEK, 0, I64(-1)), U32(status::kFailed));
  EXPECT_EQ(Call(a, VDFS_SEEK, 0, Bytes{1, 2, 3}), U32(status::kUnreadable));
  EXPECT_EQ(Call(a, VDFS_SEEK, 0, I64(0x100000000LL)), (Bytes{1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
}

TEST_F(Dispatcher, CloseTakesTheFirstOpenedFileAndTheRestWaitForTheConnection) {
  EXPECT_EQ(Call(a, VDFS_CLOSE, 0), U32(status::kNoFile));
  EXPECT_EQ(Call(a, VDFS_WRITE, 3, Bytes{1}), U32(status::kNoFile));
  ASSERT_EQ(Open(a, folder / u"one", 2), status::kSuccess);
  ASSERT_EQ(Open(a, folder / u"two", 2), status::kSuccess);
  EXPECT_EQ(registry.Count(), 2u);
  EXPECT_EQ(Call(a, VDFS_CLOSE, 0), U32(status::kSuccess));
  EXPECT_EQ(Call(a, VDFS_WRITE, 3, Bytes{1}), U32(status::kNoFile));
  EXPECT_EQ(Open(b, folder / u"one", 3), status::kSuccess);
  EXPECT_EQ(Open(b, folder / u"two", 3), status::kSharing);
  registry.CloseAll(a.id);
  EXPECT_EQ(Open(b, folder / u"two", 3), status::kSuccess);
  EXPECT_EQ(registry.Count(), 2u);
}

TEST_F(Dispatcher, MakeDirectoryCreatesTheChain) {
  EXPECT_EQ(Call(a, VDFS_MKDIR, 0, PathPayload(folder / u"x\\y\\z\\")), U32(status::kSuccess));
  EXPECT_TRUE(platform::IsDirectory(folder / u"x\\y\\z"));
  EXPECT_EQ(Call(a, VDFS_MKDIR, 0, PathPayload(folder / u"x\\y\\")), U32(status::kSuccess));  // exists
  EXPECT_EQ(Call(a, VDFS_MKDIR, 0, {}), U32(status::kEmpty));
  ASSERT_EQ(Open(a, folder / u"file", 2), status::kSuccess);
  EXPECT_EQ(Call(a, VDFS_MKDIR, 0, PathPayload(folder / u"file\\sub\\")), U32(status::kFailed));
}

TEST_F(Dispatcher, QueryShutdownAndUnknownOpcodes) {
  EXPECT_EQ(Call(a, VDFS_QUERY, 7), (Bytes{1, 0, 0, 0, 0}));
  EXPECT_EQ(Call(a, VDFS_QUERY, 8, {}, -1, 3), (Bytes{1, 0, 0, 0, 3, 0, 0, 0}));
  EXPECT_EQ(Call(a, VDFS_QUERY, 9), U32(status::kUnknownOpcode));
  EXPECT_EQ(Call(a, 0, 0), U32(status::kUnknownOpcode));
  EXPECT_EQ(Call(a, 99, 0), U32(status::kUnknownOpcode));
  EXPECT_EQ(Call(a, VDFS_SHUTDOWN, 0, {}, -1, 2), U32(status::kRefused));
  EXPECT_FALSE(shutdown);
  EXPECT_EQ(Call(a, VDFS_SHUTDOWN, 0, {}, -1, 1), U32(status::kSuccess));
  EXPECT_TRUE(shutdown);
}

}  // namespace
}  // namespace vard::fsb
