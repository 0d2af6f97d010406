// URL combining and the cookie store the HTTP stack sends from.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

#include "common/http/InternetHandles.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Environment.h"
#include "common/platform/Http.h"

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

TEST(CookieTest, StoredCookiesGoOutWithRequests) {
  // Linux keeps its store under XDG_DATA_HOME: a private one for the test.
  const auto saved = p::GetEnv("XDG_DATA_HOME");
  const std::string mine = p::GetEnv("TMPDIR").value_or("/tmp") + "/vard-cookies-" +
                           std::to_string(getpid());
  p::SetEnv("XDG_DATA_HOME", mine.c_str());
  const std::u16string url = http_tests::ServerUrl("/data/3");
  ASSERT_TRUE(p::SetCookie(url, u"", u"sid=abc123; path=/"));
  std::u16string value;
  ASSERT_TRUE(p::GetCookie(url, u"", value));
  EXPECT_NE(value.find(u"sid=abc123"), std::u16string::npos);

  CInternetSession session;
  session.Open(u"VardKT5");
  CHttpFile file;
  file.OpenUrl(session.Handle(), url, u"", p::inet::kFlagReload);
  char buffer[8];
  while (file.Read(buffer, sizeof buffer) > 0) {
  }
  file.Close();
  EXPECT_NE(http_tests::LastRawRequest().find("\r\nCookie: sid=abc123"), std::string::npos);
  p::SetEnv("XDG_DATA_HOME", saved ? saved->c_str() : nullptr);
  std::remove((mine + "/vardel/cookies.txt").c_str());
  std::remove((mine + "/vardel").c_str());
  std::remove(mine.c_str());
}

}  // namespace
}  // namespace vard
