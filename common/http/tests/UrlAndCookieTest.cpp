// The cookie store the HTTP stack sends from.
#include <gtest/gtest.h>

#include <string>

#include "common/http/InternetHandles.h"
#include "common/http/tests/CookieFixture.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Http.h"

namespace vard {
namespace {

namespace p = platform;

using http_tests::CookieTest;

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
  EXPECT_TRUE(SentCookie(http_tests::LastRawRequest(), "sid=abc123"));
}

TEST_F(CookieTest, SecureCookiesGoToSecureConnections) {
  const std::u16string name = Unique("s");
  ASSERT_TRUE(p::SetCookie(u"https://www.vard.test/", u"", name + u"=1; secure"));
  EXPECT_TRUE(Has(u"https://www.vard.test/", name));
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
