// Rules of our own cookie store (Linux): on Windows the system's store
// decides, and Wine's hands secure cookies to plain connections too.
#include <gtest/gtest.h>

#include "common/http/tests/CookieFixture.h"

namespace vard {
namespace {

using http_tests::CookieTest;

TEST_F(CookieTest, SecureCookiesStayOffPlainConnections) {
  const std::u16string name = Unique("s");
  ASSERT_TRUE(platform::SetCookie(u"https://www.vard.test/", u"", name + u"=1; secure"));
  EXPECT_TRUE(Has(u"https://www.vard.test/", name));
  EXPECT_FALSE(Has(u"http://www.vard.test/", name));
  // Nor does a plain connection set one.
  EXPECT_FALSE(platform::SetCookie(u"http://www.vard.test/", u"", Unique("p") + u"=1; Secure"));
  EXPECT_FALSE(Has(u"https://www.vard.test/", Unique("p")));
}

// What the control asks before it lets a page's cookies go over http: only
// the cookies sent to that URL count, and an empty store has none.
TEST_F(CookieTest, TheStoreSaysWhetherASecureCookieIsAmongThoseSent) {
  EXPECT_EQ(platform::AnySecureCookie(u"https://plain.vard.test/"), false);
  ASSERT_TRUE(platform::SetCookie(u"https://plain.vard.test/", u"", Unique("p") + u"=1"));
  ASSERT_TRUE(platform::SetCookie(u"https://plain.vard.test/", u"", Unique("q") + u"=1; Secure; path=/private"));
  ASSERT_TRUE(platform::SetCookie(u"https://other.vard.test/", u"", Unique("s") + u"=1; Secure"));
  EXPECT_EQ(platform::AnySecureCookie(u"https://plain.vard.test/p.html"), false);
  EXPECT_EQ(platform::AnySecureCookie(u"https://plain.vard.test/private/p.html"), true);
  EXPECT_EQ(platform::AnySecureCookie(u"https://other.vard.test/"), true);
  // Over http the Secure one is not sent, so it is not among them.
  EXPECT_EQ(platform::AnySecureCookie(u"http://other.vard.test/"), false);
}

TEST_F(CookieTest, ADomainMustTakeInTheHostAndNotBeAPublicSuffix) {
  const std::u16string site = u"http://shop.vard.co.uk/";
  EXPECT_FALSE(platform::SetCookie(site, u"", Unique("suffix") + u"=1; Domain=co.uk"));
  EXPECT_FALSE(platform::SetCookie(site, u"", Unique("tld") + u"=1; Domain=.uk"));
  EXPECT_FALSE(platform::SetCookie(site, u"", Unique("other") + u"=1; Domain=other.co.uk"));
  ASSERT_TRUE(platform::SetCookie(site, u"", Unique("own") + u"=1; Domain=vard.co.uk"));
  EXPECT_TRUE(Has(u"http://www.vard.co.uk/", Unique("own")));
  EXPECT_FALSE(Has(u"http://other.co.uk/", Unique("own")));
}

TEST_F(CookieTest, AnAddressGetsHostOnlyCookies) {
  EXPECT_FALSE(platform::SetCookie(u"http://127.0.0.1/", u"", Unique("a") + u"=1; Domain=0.1"));
  EXPECT_FALSE(platform::SetCookie(u"http://127.0.0.1/", u"", Unique("b") + u"=1; Domain=.1"));
  ASSERT_TRUE(platform::SetCookie(u"http://127.0.0.1/", u"", Unique("c") + u"=1; Domain=127.0.0.1"));
  ASSERT_TRUE(platform::SetCookie(u"http://127.0.0.1/", u"", Unique("d") + u"=1"));
  EXPECT_TRUE(Has(u"http://127.0.0.1/", Unique("c")));
  for (const char* name : {"a", "b", "c", "d"}) EXPECT_FALSE(Has(u"http://127.1.0.1/", Unique(name))) << name;
}

TEST_F(CookieTest, HostOnlyCookiesStayOffSubdomainsAndPathsMatchWhole) {
  ASSERT_TRUE(platform::SetCookie(u"http://vard.test/a", u"", Unique("h") + u"=1; Path=/a"));
  EXPECT_TRUE(Has(u"http://vard.test/a/b", Unique("h")));
  EXPECT_TRUE(Has(u"http://vard.test/a", Unique("h")));
  EXPECT_FALSE(Has(u"http://vard.test/ab", Unique("h")));
  EXPECT_FALSE(Has(u"http://www.vard.test/a", Unique("h")));
}

}  // namespace
}  // namespace vard
