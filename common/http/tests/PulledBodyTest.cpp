// The libcurl service reads a body from the network as its caller reads it:
// what it holds unread stays small however fast the server sends, so memory
// stays bounded and a caller that holds a rate gets small blocks. Linux
// only: WinINet's available count is its own (it includes the socket's).
#include <gtest/gtest.h>

#include <algorithm>

#include "common/http/InternetHandles.h"
#include "common/http/testing/TestData.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Clock.h"

namespace vard {
namespace {

TEST(PulledBodyTest, WhatIsHeldUnreadStaysSmallWhileTheCallerIsSlow) {
  CInternetSession session;
  session.Open(u"VardKT5");
  for (const std::u16string& url :
       {http_tests::ServerUrl("/data/20000000"), http_tests::TlsUrl("/data/20000000")}) {
    CHttpFile file;
    file.OpenUrl(session.Handle(), url, u"", platform::inet::kFlagReload);
    uint64_t total = 0;
    uint32_t most = 0;
    bool slow = true, intact = true;
    std::string block;
    while (const uint32_t n = file.QueryDataAvailable()) {
      // A pause of the caller lets a fast server run far ahead.
      if (slow) platform::SystemClock().Sleep(200), slow = false;
      most = std::max(most, n);
      block.resize(n);
      const uint32_t got = file.Read(block.data(), n);
      if (got == 0) break;
      for (uint32_t i = 0; i < got && intact; ++i)
        intact = static_cast<uint8_t>(block[i]) == http_testing::DataByte(total + i);
      total += got;
    }
    EXPECT_EQ(total, 20000000u);
    EXPECT_TRUE(intact);
    EXPECT_LE(most, 512u * 1024) << "held unread at most";
  }
}

}  // namespace
}  // namespace vard
