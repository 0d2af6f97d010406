// The client handles against the loopback test server: status and length
// queries, ranges, faults, redirects, compressed answers, cancelling.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "common/http/InternetHandles.h"
#include "common/http/testing/TestData.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

namespace inet = platform::inet;
using http_testing::DataByte;
using http_tests::ServerUrl;

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override { session_.Open(u"VardKT5"); }

  void Open(std::string_view path, const std::u16string& headers = u"") {
    file_.OpenUrl(session_.Handle(), ServerUrl(path), headers, inet::kFlagReload);
  }
  uint32_t Number(uint32_t query) {
    uint32_t value = 0;
    EXPECT_TRUE(file_.QueryInfoNumber(query, value));
    return value;
  }
  std::string ReadAll() { return http_tests::ReadAvailable(file_); }
  static void ExpectData(const std::string& body, uint64_t offset) {
    for (size_t i = 0; i < body.size(); ++i)
      ASSERT_EQ(static_cast<uint8_t>(body[i]), DataByte(offset + i)) << "at " << i;
  }

  CInternetSession session_;
  CHttpFile file_;
};

// The agent starts loading the stack early; its workers' first sessions may
// come while that load still runs, from several threads.
TEST(HttpStackTest, SessionsOpenedWhileTheStackLoadsAllWork) {
  platform::StartLoadingHttp();
  std::atomic<int> fetched{0};
  std::vector<std::thread> workers;
  for (int i = 0; i < 4; ++i)
    workers.emplace_back([&] {
      platform::StartLoadingHttp();  // once is enough; more calls change nothing
      try {
        CInternetSession session;
        session.Open(u"VardKT5");
        CHttpFile file;
        file.OpenUrl(session.Handle(), ServerUrl("/data/1000"), u"", inet::kFlagReload);
        if (http_tests::ReadAvailable(file).size() == 1000) ++fetched;
      } catch (const CInternetException&) {
      }
    });
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(fetched, 4);
}

TEST_F(HttpClientTest, StatusAndLengthQueriesThenWholeBody) {
  Open("/data/100000");
  EXPECT_EQ(Number(inet::kQueryStatusCode), 200u);
  EXPECT_EQ(Number(inet::kQueryContentLength), 100000u);
  std::u16string text;
  ASSERT_TRUE(file_.QueryInfoText(inet::kQueryContentLength, text));
  EXPECT_EQ(text, u"100000");
  const std::string body = ReadAll();
  ASSERT_EQ(body.size(), 100000u);
  ExpectData(body, 0);
  EXPECT_EQ(file_.Read(text.data(), 1), 0u);  // stays at the end
}

TEST_F(HttpClientTest, ErrorStatusesAreAnswersNotFailures) {
  for (int status : {401, 403, 404, 500}) {
    Open("/status/" + std::to_string(status));
    EXPECT_EQ(Number(inet::kQueryStatusCode), static_cast<uint32_t>(status));
    EXPECT_EQ(ReadAll(), "status " + std::to_string(status));
  }
  uint32_t value = 0;
  EXPECT_FALSE(file_.QueryInfoNumber(inet::kQueryContentRange, value));
}

TEST_F(HttpClientTest, RangedReadsAndUnsatisfiableRange) {
  Open("/data/10000", u"Range: bytes=1000-\r\n");
  EXPECT_EQ(Number(inet::kQueryStatusCode), 206u);
  EXPECT_EQ(Number(inet::kQueryContentLength), 9000u);
  std::u16string range;
  ASSERT_TRUE(file_.QueryInfoText(inet::kQueryContentRange, range));
  EXPECT_EQ(range, u"bytes 1000-9999/10000");
  const std::string body = ReadAll();
  ASSERT_EQ(body.size(), 9000u);
  ExpectData(body, 1000);

  Open("/data/10000", u"Range: bytes=10000-\r\n");
  EXPECT_EQ(Number(inet::kQueryStatusCode), 416u);
}

TEST_F(HttpClientTest, BodyClosedEarlyEndsWhereItWasCut) {
  // As WinINet does: the reader sees the end early and asks again from there.
  Open("/data/1000000?cut=30000");
  EXPECT_EQ(Number(inet::kQueryContentLength), 1000000u);
  const std::string body = ReadAll();
  EXPECT_EQ(body.size(), 30000u);
  ExpectData(body, 0);
}

TEST_F(HttpClientTest, OneReadLargerThanWhatArrivedAtOnceIsFilled) {
  Open("/data/3000000");
  std::string body(3000001, '\0');
  EXPECT_EQ(file_.Read(body.data(), 3000001), 3000000u);
  body.resize(3000000);
  ExpectData(body, 0);
}

TEST_F(HttpClientTest, FailedConnectThrowsWithTheUrl) {
  // Port 1 on loopback: nothing listens there.
  const std::u16string url = u"http://127.0.0.1:1/file.bin";
  try {
    file_.OpenUrl(session_.Handle(), url, u"", inet::kFlagReload);
    FAIL() << "no exception";
  } catch (const CInternetException& e) {
    EXPECT_EQ(e.message, u"Failed to open http url (http://127.0.0.1:1/file.bin)");
    EXPECT_EQ(e.handle, nullptr);
    EXPECT_EQ(e.systemError, inet::kCannotConnect);
  }
  EXPECT_FALSE(file_.IsOpen());
}

TEST_F(HttpClientTest, RedirectsAreFollowed) {
  Open("/redirect?to=/data/50");
  EXPECT_EQ(Number(inet::kQueryStatusCode), 200u);
  // Where the body comes from: what a downloaded file's mark names.
  EXPECT_EQ(file_.Url(), ServerUrl("/data/50"));
  const std::string body = ReadAll();
  ASSERT_EQ(body.size(), 50u);
  ExpectData(body, 0);
  // Not followed: the answer is the redirect's own.
  file_.OpenUrl(session_.Handle(), ServerUrl("/redirect?to=/data/50"), u"",
                inet::kFlagReload | inet::kFlagNoAutoRedirect);
  EXPECT_EQ(Number(inet::kQueryStatusCode), 302u);
  EXPECT_EQ(file_.Url(), ServerUrl("/redirect?to=/data/50"));
  file_.Close();
  EXPECT_EQ(file_.Url(), u"");
}

TEST_F(HttpClientTest, CompressedAnswersArriveDecoded) {
  Open("/data/20000?gzip=1", u"Accept-Encoding: gzip, deflate\r\n");
  const std::string body = ReadAll();
  ASSERT_EQ(body.size(), 20000u);
  ExpectData(body, 0);
}

TEST_F(HttpClientTest, NullAgentIsTheProgramName) {
  EXPECT_EQ(CInternetSession::ProgramAgentName(), u"http_tests");
  CInternetSession unnamed;
  unnamed.Open(nullptr);
  file_.OpenUrl(unnamed.Handle(), ServerUrl("/data/1"), u"", inet::kFlagReload);
  ReadAll();
  file_.Close();
  const std::string raw = http_tests::LastRawRequest();
  EXPECT_NE(raw.find("\r\nUser-Agent: http_tests\r\n"), std::string::npos) << raw;
}

}  // namespace
}  // namespace vard
