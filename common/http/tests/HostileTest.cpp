// The HTTP service against a server that misbehaves: every stall ends in the
// timeout error, redirects stay on http(s) and end, cookies keep their scope,
// connections are kept alive. The same table runs against WinINet under Wine,
// less the rows Wine does not implement (each says why, and is kept on
// Windows itself).
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <random>
#include <thread>

#include "common/http/HttpFormPost.h"
#include "common/http/InternetHandles.h"
#include "common/http/tests/CookieFixture.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Registry.h"
#include "common/platform/tests/TestFolder.h"
#include "common/platform/testing/FakeClock.h"

namespace vard {
namespace {

namespace inet = platform::inet;
using http_tests::HostileCount;
using http_tests::HostileHeads;
using http_tests::HostileUrl;

constexpr uint32_t kShortMs = 1000;

std::string NewTag(const char* what) {
  static int counter = 0;
  return what + std::to_string(++counter) + "-" + std::to_string(std::random_device{}());
}

// A URL as a query value.
std::string Encoded(const std::u16string& url) {
  std::string out;
  for (char16_t c : url) {
    if (std::isalnum(static_cast<int>(c)) || c == u'.' || c == u'-') out += static_cast<char>(c);
    else out += "%" + std::string(1, "0123456789ABCDEF"[c >> 4]) + "0123456789ABCDEF"[c & 15];
  }
  return out;
}

struct Outcome {
  uint32_t error = 0;  // 0: the whole body was read
  std::string body;
  uint32_t status = 0;
  std::chrono::milliseconds took{};
};

class HostileTest : public http_tests::CookieTest {
 protected:
  void SetUp() override {
    CookieTest::SetUp();
    session_.Open(u"VardKT5");
    for (uint32_t option : {inet::kOptionConnectTimeout, inet::kOptionSendTimeout, inet::kOptionReceiveTimeout})
      ASSERT_TRUE(session_.SetOption(option, kShortMs));
  }

  // Opens the URL and reads the whole body, as the engines do.
  Outcome Get(const std::u16string& url, const std::u16string& headers = u"") {
    Outcome out;
    const auto start = std::chrono::steady_clock::now();
    try {
      CHttpFile file;
      file.OpenUrl(session_.Handle(), url, headers, inet::kFlagReload);
      file.QueryInfoNumber(inet::kQueryStatusCode | inet::kQueryFlagNumber, out.status);
      out.body = http_tests::ReadAvailable(file);
    } catch (const CInternetException& e) {
      out.error = e.systemError;
    }
    out.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return out;
  }

  CInternetSession session_;
};

// Each stall ends with the timeout error within the timeout and a second
// (generous bounds: the point is that it ends, and how).
void ExpectTimeout(const Outcome& got) {
  EXPECT_EQ(got.error, inet::kTimeout);
  EXPECT_LT(got.took.count(), kShortMs + 2000);
}

TEST_F(HostileTest, ASilentServerEndsInTheTimeoutError) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet takes no send or receive timeout from the session and has none by default";
  ExpectTimeout(Get(HostileUrl("/silent")));
}

TEST_F(HostileTest, AHeaderThatNeverEndsEndsInTheTimeoutError) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet takes no send or receive timeout from the session and has none by default";
  ExpectTimeout(Get(HostileUrl("/endless")));
}

// Options set on the request handle itself.
TEST_F(HostileTest, ARequestsOwnTimeoutEndsItsStall) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet ends the wait but reports success with no answer";
  CInternetSession session;
  session.Open(u"VardKT5");
  CHttpConnection connection;
  connection.Connect(session.Handle(), u"127.0.0.1", http_tests::HostilePort(), nullptr, nullptr);
  CHttpFile request;
  request.OpenRequest(connection.Handle(), u"POST", u"/silent", u"HTTP/1.1", nullptr, nullptr, inet::kFlagReload);
  ASSERT_TRUE(request.SetOption(inet::kOptionReceiveTimeout, kShortMs));
  ASSERT_TRUE(request.SetOption(inet::kOptionSendTimeout, kShortMs));
  const auto start = std::chrono::steady_clock::now();
  uint32_t error = 0;
  try {
    request.SendRequestEx(u"", 1);
    request.Write("x", 1);
    request.EndRequest();
  } catch (const CInternetException& e) {
    error = e.systemError;
  }
  EXPECT_EQ(error, inet::kTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kShortMs + 2000));
}

TEST_F(HostileTest, ABodyThatStallsEndsInTheTimeoutError) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet takes no send or receive timeout from the session and has none by default";
  ExpectTimeout(Get(HostileUrl("/trickle?every=3000")));
}

// A server that stops reading a body ends the upload in the timeout error.
TEST_F(HostileTest, AnUploadTheServerStopsReadingEndsInTheTimeoutError) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet takes no send or receive timeout from the session and has none by default";
  CHttpConnection connection;
  connection.Connect(session_.Handle(), u"127.0.0.1", http_tests::HostilePort(), nullptr, nullptr);
  CHttpFile request;
  request.OpenRequest(connection.Handle(), u"POST", u"/deaf", u"HTTP/1.1", nullptr, nullptr, inet::kFlagReload);
  const std::string block(1 << 20, 'u');
  constexpr uint32_t kBlocks = 256;
  const auto start = std::chrono::steady_clock::now();
  uint32_t error = 0;
  try {
    request.SendRequestEx(u"", kBlocks * static_cast<uint32_t>(block.size()));
    for (uint32_t i = 0; i < kBlocks; ++i) request.Write(block.data(), static_cast<uint32_t>(block.size()));
    request.EndRequest();
  } catch (const CInternetException& e) {
    error = e.systemError;
  }
  EXPECT_EQ(error, inet::kTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kShortMs + 2000));
}

// The receive timeout is time without a byte, not the length of an answer.
TEST_F(HostileTest, ASlowAnswerThatKeepsMovingIsRead) {
  const Outcome got = Get(HostileUrl("/trickle?every=300&n=6"));
  EXPECT_EQ(got.error, 0u);
  EXPECT_EQ(got.body, "xxxxxx");
}

TEST_F(HostileTest, ARedirectLoopEndsInTheRedirectError) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet follows a redirect loop without end";
  const std::string tag = NewTag("loop");
  const Outcome got = Get(HostileUrl("/loop?t=" + tag));
  EXPECT_EQ(got.error, inet::kRedirectFailed);
  const auto [connections, requests] = HostileCount(tag);
  EXPECT_GE(requests, 2);
  EXPECT_LE(requests, static_cast<int>(inet::kMaxRedirects) + 1);
}

TEST_F(HostileTest, RedirectsGoOnlyToHttpAndHttps) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet hands a redirect to another scheme on as a success";
  for (const char* target : {"ftp%3A%2F%2F127.0.0.1%2Fx", "file%3A%2F%2F%2Fetc%2Fpasswd"}) {
    SCOPED_TRACE(target);
    const Outcome got = Get(HostileUrl(std::string("/to?url=") + target));
    EXPECT_EQ(got.error, inet::kRedirectFailed);
  }
  // From http to https is followed.
  const Outcome secure = Get(HostileUrl("/to?url=" + Encoded(http_tests::TlsUrl("/data/5"))));
  EXPECT_EQ(secure.error, 0u);
  EXPECT_EQ(secure.body.size(), 5u);
}

// A GET follows every redirect status as a GET; a POST is followed as a GET
// to a 301, 302 and 303, and gets the 307 and 308 themselves.
TEST_F(HostileTest, RedirectedMethodsFollowTheStatus) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet resends a post to a 307 and does not follow a 308";
  for (const char* code : {"301", "302", "303", "307", "308"}) {
    SCOPED_TRACE(code);
    const Outcome get = Get(HostileUrl(std::string("/to?url=%2Fecho&code=") + code));
    EXPECT_EQ(get.body, "GET 0");

    CHttpFormPost post(true);
    post.AddTextField(u"a", u"1");
    const std::u16string answer = post.Post(HostileUrl(std::string("/to?url=%2Fecho&code=") + code));
    if (std::string(code) < "307") {
      EXPECT_EQ(answer, u"GET 0");
    } else {
      EXPECT_EQ(post.AnswerStatus(), static_cast<uint32_t>(std::atoi(code)));
    }
  }
}

TEST_F(HostileTest, CookiesKeepToTheHostThatSetThem) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet keeps no cookie an address host sets";
  const std::string tag = NewTag("cookie");
  ASSERT_EQ(Get(HostileUrl("/cookies?set=site%3D" + tag)).error, 0u);
  // To the same host directly, not to another through a redirect.
  Get(HostileUrl("/echo?t=" + tag + "-same"));
  const std::u16string other = HostileUrl("/echo?t=" + tag + "-other", "localhost");
  EXPECT_EQ(Get(HostileUrl("/to?url=" + Encoded(other))).body, "GET 0");
  EXPECT_TRUE(SentCookie(HostileHeads(tag + "-same"), "site=" + tag));
  const std::string otherHeads = HostileHeads(tag + "-other");
  ASSERT_FALSE(otherHeads.empty());
  EXPECT_EQ(otherHeads.find("site="), std::string::npos) << otherHeads;
}

// The agent sends its hand-off's cookie as a header of its own: that header
// stays with the host it was meant for.
TEST_F(HostileTest, AGivenCookieHeaderDoesNotFollowARedirectToAnotherHost) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet repeats the caller's headers on every hop";
  const std::string tag = NewTag("given");
  const std::u16string other = HostileUrl("/echo?t=" + tag, "localhost");
  CHttpFile file;
  file.OpenUrl(session_.Handle(), HostileUrl("/to?url=" + Encoded(other)), u"Cookie: given=1",
               inet::kFlagReload | inet::kFlagNoCookies);
  EXPECT_EQ(http_tests::ReadAvailable(file), "GET 0");
  const std::string heads = HostileHeads(tag);
  ASSERT_FALSE(heads.empty());
  EXPECT_EQ(heads.find("given=1"), std::string::npos) << heads;
}

TEST_F(HostileTest, CookiesWithForeignDomainsOrSecureOverHttpAreNotKept) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet keeps no cookie an address host sets";
  const std::string tag = NewTag("bad");
  const std::string sets = "set=dot%3D1%3B%20Domain%3D.1&set=ip%3D1%3B%20Domain%3D0.1&"
                           "set=sec%3D1%3B%20Secure&set=good%3D1";
  ASSERT_EQ(Get(HostileUrl("/cookies?" + sets)).error, 0u);
  Get(HostileUrl("/echo?t=" + tag));
  Get(HostileUrl("/echo?t=" + tag + "-other", "localhost"));
  const std::string heads = HostileHeads(tag);
  EXPECT_TRUE(SentCookie(heads, "good=1")) << heads;
  for (const char* bad : {"dot=1", "ip=1", "sec=1"}) EXPECT_EQ(heads.find(bad), std::string::npos) << bad;
  EXPECT_EQ(HostileHeads(tag + "-other").find("=1"), std::string::npos);
}

// Many requests to one server, each read to its end: one connection.
TEST_F(HostileTest, ConnectionsAreKeptAliveAcrossRequestsAndPosts) {
  const std::string tag = NewTag("keep");
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Get(HostileUrl("/ok?t=" + tag)).body, "ok");
  EXPECT_EQ(HostileCount(tag), std::pair(1, 20));

  const std::string posts = NewTag("posts");
  for (int i = 0; i < 5; ++i) {
    CHttpFormPost post(true);
    post.AddTextField(u"n", u"1");
    EXPECT_EQ(post.Post(HostileUrl("/echo?t=" + posts)).substr(0, 5), u"POST ");
  }
  EXPECT_EQ(HostileCount(posts), std::pair(1, 5));
}

// A header line with a line break or NUL inside does not go out at all.
TEST_F(HostileTest, AHeaderWithALineBreakInsideIsNotSent) {
  const std::string tag = NewTag("inject");
  const std::u16string headers = std::u16string(u"X-Good: 1\r\nCookie: a=1\rX-Injected: yes\r\nX-Nul: a") +
                                 char16_t(0) + u"b\r\n";
  EXPECT_EQ(Get(HostileUrl("/echo?t=" + tag), headers).body, "GET 0");
  const std::string heads = HostileHeads(tag);
  EXPECT_NE(heads.find("X-Good: 1"), std::string::npos);
  EXPECT_EQ(heads.find("X-Injected"), std::string::npos);
  EXPECT_EQ(heads.find("X-Nul"), std::string::npos);
}

// Closing the request, its connection or its session from another thread
// ends a call blocked on a silent server within a second, whatever the
// timeouts (WinINet's defaults here).
TEST_F(HostileTest, ClosingAnyHandleAboveABlockedCallEndsItWithinASecond) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet runs a blocked call to its end when its handle closes";
  for (int which = 0; which < 3; ++which) {
    SCOPED_TRACE(which);
    const std::string tag = NewTag("abort");
    CInternetSession session;
    session.Open(u"VardKT5");
    CHttpConnection connection;
    connection.Connect(session.Handle(), u"127.0.0.1", http_tests::HostilePort(), nullptr, nullptr);
    CHttpFile request;
    request.OpenRequest(connection.Handle(), u"POST", AsciiToUtf16("/silent?t=" + tag), u"HTTP/1.1", nullptr,
                        nullptr, inet::kFlagReload);
    request.SendRequestEx(u"", 1);
    request.Write("x", 1);
    std::chrono::steady_clock::time_point closedAt;
    std::thread closer([&] {
      // Once the server holds the request.
      platform::SystemClock().WaitUntil([&] { return HostileCount(tag).second == 1; }, 5000, 20);
      closedAt = std::chrono::steady_clock::now();
      CInternetHandle* handles[] = {&request, &connection, &session};
      handles[which]->Close();
    });
    EXPECT_THROW(request.EndRequest(), CInternetException);
    const auto ended = std::chrono::steady_clock::now();
    closer.join();
    EXPECT_LT(ended - closedAt, std::chrono::seconds(1));
  }
}

// A post over a worker's session ends when that session is closed.
TEST_F(HostileTest, ClosingASharedSessionBreaksAPost) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet runs a blocked call to its end when its handle closes";
  const std::string tag = NewTag("post");
  CInternetSession worker;
  worker.Open(u"VardMW5");
  std::chrono::steady_clock::time_point closedAt;
  std::thread closer([&] {
    platform::SystemClock().WaitUntil([&] { return HostileCount(tag).second == 1; }, 5000, 20);
    closedAt = std::chrono::steady_clock::now();
    worker.Close();
  });
  CHttpFormPost post(true);
  post.UseSession(worker.Handle());
  post.AddTextField(u"a", u"1");
  EXPECT_THROW(post.Post(HostileUrl("/silent?t=" + tag)), CInternetException);
  const auto ended = std::chrono::steady_clock::now();
  closer.join();
  EXPECT_LT(ended - closedAt, std::chrono::seconds(1));
}

TEST_F(HostileTest, UserTimeoutsComeFromTheInternetSettings) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet reads no timeouts from the Internet Settings";
  // Linux: the registry stand-in in a scratch folder. Wine: the prefix's
  // registry, its value put back afterwards.
  platform::testing::TestFolder config;
  std::string os = Utf16ToUtf8(config.Path());
  for (char& c : os)
    if (c == '\\') c = '/';
  const auto savedConfig = platform::GetEnv("XDG_CONFIG_HOME");
  platform::SetEnv("XDG_CONFIG_HOME", os.c_str());
  auto& reg = platform::SystemRegistry();
  const auto saved = reg.ReadDword(platform::RegistryRoot::kCurrentUser, inet::kInternetSettingsKey, u"ReceiveTimeout");
  ASSERT_TRUE(reg.WriteDword(platform::RegistryRoot::kCurrentUser, inet::kInternetSettingsKey, u"ReceiveTimeout", kShortMs));
  CInternetSession session;
  session.Open(u"VardKT5");
  const auto start = std::chrono::steady_clock::now();
  uint32_t error = 0;
  try {
    CHttpFile file;
    file.OpenUrl(session.Handle(), HostileUrl("/silent"), u"", inet::kFlagReload);
  } catch (const CInternetException& e) {
    error = e.systemError;
  }
  const auto took = std::chrono::steady_clock::now() - start;
  if (saved) reg.WriteDword(platform::RegistryRoot::kCurrentUser, inet::kInternetSettingsKey, u"ReceiveTimeout", *saved);
  else reg.DeleteValue(platform::RegistryRoot::kCurrentUser, inet::kInternetSettingsKey, u"ReceiveTimeout");
  platform::SetEnv("XDG_CONFIG_HOME", savedConfig ? savedConfig->c_str() : nullptr);
  EXPECT_EQ(error, inet::kTimeout);
  EXPECT_LT(took, std::chrono::milliseconds(kShortMs + 2000));
}

}  // namespace
}  // namespace vard
