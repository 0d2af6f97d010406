// The size query against the loopback test server: what it sends and what
// it makes of the answer.
#include "control/engine/RemoteSize.h"

#include <gtest/gtest.h>

#include <thread>

#include "common/platform/Clock.h"

#include "common/http/tests/TestEndpoint.h"

namespace vard {
namespace {

using http_tests::LastRawRequest;
using http_tests::ServerUrl;

TEST(RemoteSize, ContentLengthOfAGetWithItsOwnAgentName) {
  EXPECT_EQ(QueryRemoteSize(ServerUrl("/data/123456"), false), 123456);
  const std::string raw = LastRawRequest();
  EXPECT_EQ(raw.rfind("GET /data/123456 HTTP/1.1\r\n", 0), 0u) << raw;
  EXPECT_NE(raw.find("User-Agent: VardFileDownloader\r\n"), std::string::npos) << raw;
  EXPECT_EQ(QueryRemoteSize(ServerUrl("/data/0"), true), 0);  // known to be empty, not unknown
  EXPECT_EQ(HttpControlNetwork().QueryRemoteSize(ServerUrl("/data/0"), true), 0);
}

TEST(RemoteSize, UrlIsAlwaysEscapedFromTheChosenBytes) {
  QueryRemoteSize(ServerUrl("/data/7?n=a b") + u"\uAC00", true);
  EXPECT_NE(LastRawRequest().find("GET /data/7?n=a%20b%EA%B0%80 HTTP/1.1"), std::string::npos);
}

TEST(RemoteSize, FailuresAreUnknownAndOddAnswersGiveWhatTheHeaderSays) {
  // Nothing listens on port 1.
  EXPECT_EQ(QueryRemoteSize(u"http://127.0.0.1:1/x", false), std::nullopt);
  EXPECT_EQ(QueryRemoteSize(u"no scheme at all", false), std::nullopt);
  EXPECT_EQ(HttpControlNetwork().QueryRemoteSize(u"http://127.0.0.1:1/x", false), std::nullopt);
  // An error answer is not special: its body has a length too.
  EXPECT_EQ(QueryRemoteSize(ServerUrl("/status/404"), false), 10);
}

// A page that goes away while its size query waits on a silent server ends
// the query at once, and asks nothing more afterwards.
TEST(RemoteSize, ThePagesGoingAwayEndsAQueryInFlight) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet runs a blocked call to its end";
  HttpControlNetwork network;
  platform::IClock& clock = platform::SystemClock();
  std::thread page([&] {
    clock.WaitUntil([] { return http_tests::HostileCount("size-away").second >= 1; }, 10000, 5);
    network.PageGoingAway();
  });
  const uint32_t asked = clock.TickCount();
  EXPECT_EQ(network.QueryRemoteSize(http_tests::HostileUrl("/silent?t=size-away"), false), std::nullopt);
  page.join();
  // Far short of the 30 s a silent server would otherwise hold the page.
  EXPECT_LT(clock.TickCount() - asked, 15000u);
  EXPECT_EQ(network.QueryRemoteSize(ServerUrl("/data/5"), false), std::nullopt);
  EXPECT_EQ(http_tests::HostileCount("size-away").second, 1);
}

}  // namespace
}  // namespace vard
