// Byte layouts of the broker's requests and answers.
#include <gtest/gtest.h>

#include "common/brokerpipe/BrokerProtocol.h"

namespace vard::fsb {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(BrokerProtocol, SeekRequestIsHeaderThenLowWordFirst) {
  Bytes payload(8);
  PutI64(payload.data(), -2);
  EXPECT_EQ(EncodeRequest(VDFS_SEEK, 2, payload),
            (Bytes{'V', 'D', 'F', 'S', 2, 0, 0, 0, 2, 0, 0, 0, 8, 0, 0, 0,
                   0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  Bytes big(8);
  PutI64(big.data(), 0x0000000180000000LL);
  EXPECT_EQ(big, (Bytes{0, 0, 0, 0x80, 1, 0, 0, 0}));
  EXPECT_EQ(GetI64(big.data()), 0x0000000180000000LL);
}

TEST(BrokerProtocol, PathPayloadIsUtf16WithTerminator) {
  EXPECT_EQ(PathPayload(u"C:\\\uAC00"), (Bytes{'C', 0, ':', 0, '\\', 0, 0x00, 0xAC, 0, 0}));
  EXPECT_EQ(EncodeRequest(VDFS_OPEN, 1, PathPayload(u"a")),
            (Bytes{'V', 'D', 'F', 'S', 1, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 'a', 0, 0, 0}));
  EXPECT_EQ(EncodeRequest(VDFS_SHUTDOWN, 0, {}), (Bytes{'V', 'D', 'F', 'S', 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  // Read bounded by the bytes: no terminator, odd tail, embedded NUL.
  EXPECT_EQ(PathFromPayload(Bytes{'a', 0, 'b', 0, 'c'}), u"ab");
  EXPECT_EQ(PathFromPayload(Bytes{'a', 0, 0, 0, 'b', 0}), u"a");
  EXPECT_EQ(PathFromPayload(Bytes{}), u"");
}

TEST(BrokerProtocol, DecodeNeedsTheMagicAndPadsShortHeaders) {
  BrokerRequest h{};
  std::span<const uint8_t> payload;
  const Bytes wrong{'V', 'D', 'F', 'X', 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(DecodeRequest(wrong, &h, &payload));
  EXPECT_FALSE(DecodeRequest(Bytes{'V', 'D', 'F'}, &h, &payload));

  const Bytes shortOne{'V', 'D', 'F', 'S', 5, 0, 0};
  ASSERT_TRUE(DecodeRequest(shortOne, &h, &payload));
  EXPECT_EQ(h.opcode, 5u);
  EXPECT_EQ(h.param, 0u);
  EXPECT_EQ(h.length, 0u);
  EXPECT_TRUE(payload.empty());

  Bytes m = EncodeRequest(VDFS_WRITE, 4, Bytes{1, 2, 3});
  m[12] = 200;  // claims more than was sent
  ASSERT_TRUE(DecodeRequest(m, &h, &payload));
  EXPECT_EQ(h.length, 200u);
  EXPECT_EQ(payload.size(), 3u);
}

TEST(BrokerProtocol, ResponseIsStatusThenData) {
  BrokerResponse r;
  EXPECT_FALSE(DecodeResponse(Bytes{1, 0, 0}, &r));
  const Bytes seekAnswer{1, 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(DecodeResponse(seekAnswer, &r));
  EXPECT_EQ(r.status, 1u);
  ASSERT_EQ(r.data.size(), 8u);
  EXPECT_EQ(GetI64(r.data.data()), 0x8000);
}

}  // namespace
}  // namespace vard::fsb
