// What each request flag the callers pass changes on the wire and in the
// cookie store, checked on the recorded raw requests: WinINet and our own
// backend must agree row by row.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "common/http/InternetHandles.h"
#include "common/http/tests/CookieFixture.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Http.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

namespace inet = platform::inet;
using http_tests::ServerUrl;

constexpr uint32_t kDownloadFlags =  // the agent's downloads
    inet::kFlagReload | inet::kFlagNoCacheWrite | inet::kFlagKeepConnection | inet::kFlagNoCookies;
constexpr uint32_t kFormPostFlags = inet::kFlagNoCacheWrite | inet::kFlagKeepConnection | inet::kFlagFormsSubmit;

struct Row {
  const char* name;
  uint32_t flags;
  std::vector<std::string> sent;     // header lines that must be in the request
  std::vector<std::string> notSent;  // header names that must not
};

class RequestFlagsTest : public http_tests::CookieTest {
 protected:
  void SetUp() override {
    CookieTest::SetUp();
    cookie_ = "flag" + Tag() + "=1";
    ASSERT_TRUE(platform::SetCookie(ServerUrl("/"), u"", AsciiToUtf16(cookie_ + "; path=/")));
  }

  // GET by URL; returns the status, the raw request in raw_.
  uint32_t Get(uint32_t flags, std::string_view path) {
    CInternetSession session;
    session.Open(u"VardKT5");
    CHttpFile file;
    file.OpenUrl(session.Handle(), ServerUrl(path), u"", flags);
    uint32_t status = 0;
    EXPECT_TRUE(file.QueryInfoNumber(inet::kQueryStatusCode, status));
    Drain(file);
    raw_ = http_tests::LastRawRequest();
    return status;
  }
  // A POST the way the form post opens it.
  void Post(uint32_t flags) {
    CInternetSession session;
    session.Open(u"VardMW5");
    CHttpConnection connection;
    connection.Connect(session.Handle(), u"127.0.0.1", http_tests::ServerPort(), nullptr, nullptr);
    CHttpFile file;
    file.OpenRequest(connection.Handle(), u"POST", u"/status/200", u"HTTP/1.0", nullptr, nullptr, flags);
    file.SendRequestEx(u"Content-Type: text/plain", 3);
    file.Write("abc", 3);
    file.EndRequest();
    Drain(file);
    raw_ = http_tests::LastRawRequest();
  }
  static void Drain(CHttpFile& file) {
    char buffer[256];
    while (file.Read(buffer, sizeof buffer) > 0) {
    }
  }
  bool Sent(const std::string& line) const { return raw_.find("\r\n" + line) != std::string::npos; }
  bool HasHeader(const std::string& name) const {
    std::string lower = raw_;
    for (auto& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    std::string key = "\r\n" + name + ":";
    for (auto& ch : key) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return lower.find(key) != std::string::npos;
  }
  void Check(const Row& row) {
    for (const auto& line : row.sent) EXPECT_TRUE(Sent(line)) << row.name << " lacks " << line << "\n" << raw_;
    for (const auto& name : row.notSent) EXPECT_FALSE(HasHeader(name)) << row.name << " sent " << name << "\n" << raw_;
  }

  std::string cookie_;
  std::string raw_;
};

TEST_F(RequestFlagsTest, GetRequests) {
  const Row rows[] = {
      {"no flags", 0, {}, {"Pragma", "Cache-Control", "Connection"}},
      {"reload", inet::kFlagReload, {}, {"Pragma", "Cache-Control", "Connection"}},
      {"no cache write", inet::kFlagNoCacheWrite, {}, {"Pragma", "Cache-Control", "Connection"}},
      {"forms submit", inet::kFlagFormsSubmit, {}, {"Pragma", "Cache-Control", "Connection"}},
      {"keep connection", inet::kFlagKeepConnection, {"Connection: Keep-Alive"}, {"Pragma"}},
      {"pragma no-cache", inet::kFlagPragmaNoCache, {"Pragma: no-cache"}, {"Connection"}},
      {"no cookies", inet::kFlagNoCookies, {}, {"Cookie"}},
      {"download", kDownloadFlags, {"Connection: Keep-Alive"}, {"Cookie", "Pragma", "Cache-Control"}},
  };
  for (const Row& row : rows) {
    ASSERT_EQ(Get(row.flags, "/data/3"), 200u) << row.name;
    EXPECT_EQ(SentCookie(raw_, cookie_), !(row.flags & inet::kFlagNoCookies)) << row.name << "\n" << raw_;
    Check(row);
  }
}

TEST_F(RequestFlagsTest, PostRequests) {
  const Row rows[] = {
      {"no flags", 0, {}, {"Pragma", "Cache-Control", "Connection"}},
      {"no cache write", inet::kFlagNoCacheWrite, {"Cache-Control: no-cache"}, {"Pragma", "Connection"}},
      {"form post", kFormPostFlags, {"Cache-Control: no-cache", "Connection: Keep-Alive"}, {"Pragma"}},
      {"pragma no-cache", inet::kFlagPragmaNoCache, {"Pragma: no-cache"}, {"Cache-Control"}},
      {"no cookies", inet::kFlagNoCookies, {}, {"Cookie"}},
  };
  for (const Row& row : rows) {
    Post(row.flags);
    ASSERT_EQ(raw_.rfind("POST /status/200 HTTP/1.0\r\n", 0), 0u) << row.name << "\n" << raw_;
    EXPECT_EQ(SentCookie(raw_, cookie_), !(row.flags & inet::kFlagNoCookies)) << row.name << "\n" << raw_;
    Check(row);
  }
}

TEST_F(RequestFlagsTest, NoAutoRedirectHandsBackTheRedirect) {
  EXPECT_EQ(Get(inet::kFlagNoAutoRedirect, "/redirect?to=/data/3"), 302u);
  EXPECT_EQ(raw_.rfind("GET /redirect?to=/data/3 ", 0), 0u) << raw_;
  EXPECT_EQ(Get(0, "/redirect?to=/data/3"), 200u);
  EXPECT_EQ(raw_.rfind("GET /data/3 ", 0), 0u) << raw_;
}

TEST_F(RequestFlagsTest, CookiesTheServerSetsAreKeptUnlessNoCookies) {
  const std::u16string kept = Unique("kept"), dropped = Unique("dropped");
  Get(0, "/cookie?set=" + Utf16ToUtf8(kept) + "%3D1%3B%20path%3D%2F");
  Get(inet::kFlagNoCookies, "/cookie?set=" + Utf16ToUtf8(dropped) + "%3D1%3B%20path%3D%2F");
  EXPECT_TRUE(Has(ServerUrl("/"), kept)) << Utf16ToUtf8(Cookies(ServerUrl("/")));
  EXPECT_FALSE(Has(ServerUrl("/"), dropped));
  // And the next request carries the kept one.
  Get(0, "/data/3");
  EXPECT_TRUE(SentCookie(raw_, Utf16ToUtf8(kept) + "=1")) << raw_;
}

}  // namespace
}  // namespace vard
