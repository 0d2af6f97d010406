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
}

}  // namespace
}  // namespace vard
