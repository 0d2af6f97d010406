// The size query against the loopback test server: what it sends and what
// it makes of the answer.
#include "control/engine/RemoteSize.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vard
