// URL combining and the cookie store the HTTP stack sends from.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

#include "common/http/InternetHandles.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Environment.h"
#include "common/platform/Http.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

namespace p = platform;

TEST(CombineUrlTest, ResolvesRelativeReferences) {
  std::u16string out;
  ASSERT_TRUE(p::CombineUrl(u"http://h/a/b/c.html?q=1", u"d.bin", out));
  EXPECT_EQ(out, u"http://h/a/b/d.bin");
  ASSERT_TRUE(p::CombineUrl(u"http://h/a/b/c.html", u"../x/y.bin", out));
  EXPECT_EQ(out, u"http://h/a/x/y.bin");
  ASSERT_TRUE(p::CombineUrl(u"http://h/a/b/c.html", u"/root.bin", out));
  EXPECT_EQ(out, u"http://h/root.bin");
  ASSERT_TRUE(p::CombineUrl(u"http://h/a/", u"http://other/z", out));
  EXPECT_EQ(out, u"http://other/z");
}

// Linux keeps its store under XDG_DATA_HOME: a private one per test. Wine
// keeps the prefix's store, so names carry the process id.
class CookieTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = p::GetEnv("XDG_DATA_HOME");
    p::SetEnv("XDG_DATA_HOME", mine_.c_str());
  }
  void TearDown() override {
    p::SetEnv("XDG_DATA_HOME", saved_ ? saved_->c_str() : nullptr);
    std::remove((mine_ + "/vardel/cookies.txt").c_str());
    std::remove((mine_ + "/vardel").c_str());
    std::remove(mine_.c_str());
  }
  static std::u16string Unique(const char *name) { return AsciiToUtf16(name + std::to_string(getpid())); }
  static std::u16string Cookies(const std::u16string &url) {
    std::u16string value;
    p::GetCookie(url, u"", value);
    return value;
  }
  static bool Has(const std::u16string &url, const std::u16string &name) {
    return (u"; " + Cookies(url) + u";").find(u"; " + name + u"=") != std::u16string::npos;
  }

 private:
  std::optional<std::string> saved_;
  std::string mine_ = p::GetEnv("TMPDIR").value_or("/tmp") + "/vard-cookies-" + std::to_string(getpid());
};

TEST_F(CookieTest, StoredCookiesGoOutWithRequests) {
  const std::u16string url = http_tests::ServerUrl("/data/3");
  ASSERT_TRUE(p::SetCookie(url, u"", u"sid=abc123; path=/"));
  EXPECT_TRUE(Has(url, u"sid"));

  CInternetSession session;
  session.Open(u"VardKT5");
  CHttpFile file;
  file.OpenUrl(session.Handle(), url, u"", p::inet::kFlagReload);
  char buffer[8];
  while (file.Read(buffer, sizeof buffer) > 0) {
  }
  file.Close();
  EXPECT_NE(http_tests::LastRawRequest().find("\r\nCookie: sid=abc123"), std::string::npos);
}

TEST_F(CookieTest, SecureCookiesStayOffPlainConnections) {
  const std::u16string name = Unique("s");
  ASSERT_TRUE(p::SetCookie(u"https://www.vard.test/", u"", name + u"=1; secure"));
  EXPECT_TRUE(Has(u"https://www.vard.test/", name));
#ifndef _WIN32  // WinINet's own rule on Windows (Wine's hands them out)
  EXPECT_FALSE(Has(u"http://www.vard.test/", name));
#endif
}

TEST_F(CookieTest, APastExpiryDeletesAndAFutureOneKeeps) {
  const std::u16string url = u"http://exp.vard.test/", gone = Unique("g"), kept = Unique("k");
  ASSERT_TRUE(p::SetCookie(url, u"", gone + u"=1"));
  ASSERT_TRUE(p::SetCookie(url, u"", kept + u"=1; expires=Fri, 31 Dec 2077 23:59:59 GMT"));
  EXPECT_TRUE(Has(url, gone));
  p::SetCookie(url, u"", gone + u"=1; expires=Thu, 01-Jan-1970 00:00:01 GMT");
  EXPECT_FALSE(Has(url, gone));
  EXPECT_TRUE(Has(url, kept));
}

TEST_F(CookieTest, DomainsReachSubdomainsButNeverAnotherSite) {
  const std::u16string shared = Unique("d"), foreign = Unique("f"), planted = Unique("p");
  ASSERT_TRUE(p::SetCookie(u"http://a.vard.test/", u"", shared + u"=1; domain=.vard.test"));
  EXPECT_TRUE(Has(u"http://b.vard.test/", shared));
  EXPECT_FALSE(Has(u"http://evard.test/", shared));
  p::SetCookie(u"http://a.vard.test/", u"", foreign + u"=1; domain=other.test");
  EXPECT_FALSE(Has(u"http://other.test/", foreign));
  // A line break in the value must not plant a cookie of its own.
  p::SetCookie(u"http://a.vard.test/", u"", u"x=1\nother.test\tFALSE\t/\tFALSE\t0\t" + planted + u"\t1");
  EXPECT_FALSE(Has(u"http://other.test/", planted));
}

}  // namespace
}  // namespace vard
