// Multipart posts: exact request bytes, boundary shape and sharing, the
// answer reader, failures.
#include <gtest/gtest.h>

#include <cctype>

#include "common/http/HttpFormPost.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/CodePage.h"
#include "common/platform/Environment.h"
#include "common/platform/testing/FakeClock.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

using http_tests::LastRawRequest;
using http_tests::ServerUrl;

struct Request {
  std::string line, headers, body;
  std::string Header(const std::string& name) const {
    const auto at = headers.find("\r\n" + name + ": ");
    if (at == std::string::npos) return {};
    const auto start = at + name.size() + 4;
    return headers.substr(start, headers.find("\r\n", start) - start);
  }
};

Request Split(const std::string& raw) {
  Request r;
  const auto lineEnd = raw.find("\r\n"), headEnd = raw.find("\r\n\r\n");
  r.line = raw.substr(0, lineEnd);
  r.headers = raw.substr(lineEnd, headEnd + 2 - lineEnd);
  r.body = raw.substr(headEnd + 4);
  return r;
}

bool IsBoundary(const std::u16string& b) {
  if (b.size() != 39 || b.substr(0, 27) != std::u16string(27, u'-') || b.substr(36) != u"MW5")
    return false;
  for (int i = 27; i < 36; ++i) {
    const bool digit = i == 33 || i == 34;
    if (b[i] > 127 || (digit ? !std::isdigit(b[i]) : !std::isalpha(b[i]))) return false;
  }
  return true;
}

class FormPostTest : public ::testing::Test {
 protected:
  // Stands still at one second, so posts share their boundary seed.
  platform::testing::FakeClock clock_{{2026, 12, 7, 10, 20, 30, 0}};
};

TEST_F(FormPostTest, RequestBytesAreExact) {
  CHttpFormPost post(true, clock_);
  post.AddTextField(u"name", u"파일 1.txt");
  post.AddNumberField(u"size", -1234567890123);
  const std::u16string answer = post.Post(ServerUrl("/form?id=7"));
  EXPECT_EQ(answer, u"name=파일 1.txt\nsize=-1234567890123\n");

  const Request r = Split(LastRawRequest());
  EXPECT_EQ(r.line, "POST /form?id=7 HTTP/1.0");
  const std::u16string boundary = CHttpFormPost::CurrentBoundary();
  EXPECT_TRUE(IsBoundary(boundary)) << Utf16ToUtf8(boundary);
  const std::string b = Utf16ToUtf8(boundary);
  EXPECT_EQ(r.Header("Content-type"), "multipart/form-data; boundary=" + b);
  EXPECT_EQ(r.Header("Accept-Encoding"), "gzip, deflate");
  EXPECT_EQ(r.Header("User-Agent"), "VardMW5");
  EXPECT_EQ(r.Header("Accept"),
            "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
            "application/x-shockwave-flash, application/vnd.ms-excel, "
            "application/vnd.ms-powerpoint, application/msword,, */*");
  const std::string expected =
      "--" + b + "\r\nContent-Disposition: form-data; name=\"name\"\r\n\r\n" +
      "\xED\x8C\x8C\xEC\x9D\xBC 1.txt\r\n" + "--" + b +
      "\r\nContent-Disposition: form-data; name=\"size\"\r\n\r\n-1234567890123\r\n" + "--" + b +
      "--\r\n";
  EXPECT_EQ(r.body, expected);
  EXPECT_EQ(r.Header("Content-Length"), std::to_string(expected.size()));
}

TEST_F(FormPostTest, PostWithoutFieldsSendsOnlyTheClosingText) {
  CHttpFormPost post(true, clock_);
  EXPECT_EQ(post.Post(ServerUrl("/form")), u"");
  const Request r = Split(LastRawRequest());
  const std::string closing = CHttpFormPost::ClosingText(CHttpFormPost::CurrentBoundary());
  EXPECT_EQ(closing.size(), 2 + 39 + 4u);
  EXPECT_EQ(r.body, closing);
  EXPECT_EQ(r.Header("Content-Length"), std::to_string(closing.size()));
}

TEST_F(FormPostTest, AnsiPostSendsAndReadsTheCodePage) {
  platform::SetEnv("VARDEL_ACP", "CP1252");  // POSIX; Wine prefixes default to 1252
  if (platform::Utf16ToAnsi(u"\u00e9") != "\xE9") {
    platform::SetEnv("VARDEL_ACP", nullptr);
    GTEST_SKIP() << "the ANSI code page is not 1252 here";
  }
  CHttpFormPost post(false, clock_);
  post.AddTextField(u"name", u"caf\u00e9 \u20ac");
  const std::u16string answer = post.Post(ServerUrl("/form"));
  platform::SetEnv("VARDEL_ACP", nullptr);
  EXPECT_EQ(answer, u"name=caf\u00e9 \u20ac\n");
  const std::string b = Utf16ToUtf8(CHttpFormPost::CurrentBoundary());
  EXPECT_EQ(Split(LastRawRequest()).body, "--" + b + "\r\nContent-Disposition: form-data; name=\"name\"\r\n\r\n" +
                                              "caf\xE9 \x80\r\n--" + b + "--\r\n");
}

TEST_F(FormPostTest, PostsInOneSecondShareTheBoundary) {
  std::string first, second;
  for (std::string* body : {&first, &second}) {
    CHttpFormPost post(true, clock_);
    post.AddTextField(u"a", u"b");
    post.Post(ServerUrl("/form"));
    *body = Split(LastRawRequest()).body;
  }
  EXPECT_EQ(first, second);
  EXPECT_EQ(CHttpFormPost::GenerateBoundary(1000), CHttpFormPost::GenerateBoundary(1000));
  EXPECT_NE(CHttpFormPost::GenerateBoundary(1000), CHttpFormPost::GenerateBoundary(1001));
  for (int64_t s : {0, 1, 59, 1700000000, 2000000000}) EXPECT_TRUE(IsBoundary(CHttpFormPost::GenerateBoundary(s)));
}

TEST_F(FormPostTest, AnswerKeepsEachBlockUpToItsFirstZero) {
  CHttpFormPost post(true, clock_);
  post.AddTextField(u"x", u"1");
  EXPECT_EQ(post.Post(ServerUrl("/zeros")), u"ABCD");
}

TEST_F(FormPostTest, ErrorStatusAnswerIsStillReturned) {
  CHttpFormPost post(true, clock_);
  EXPECT_EQ(post.Post(ServerUrl("/status/500")), u"status 500");
}

TEST_F(FormPostTest, UnreachableServerThrowsOneException) {
  CHttpFormPost post(true, clock_);
  post.AddTextField(u"a", u"b");
  try {
    post.Post(u"http://127.0.0.1:1/form");
    FAIL() << "no exception";
  } catch (const CInternetException& e) {
    EXPECT_EQ(e.message, u"Failed to send http request(Ex)");
    EXPECT_EQ(e.systemError, platform::inet::kCannotConnect);
  }
}

}  // namespace
}  // namespace vard

namespace vard {
namespace {

class FileSectionPostTest : public FormPostTest {};

// An https URL is posted over TLS (the TLS listener understands nothing else).
TEST_F(FileSectionPostTest, HttpsPostsGoOverTls) {
  CHttpFormPost form(true, clock_);
  form.AddTextField(u"name", u"value");
  EXPECT_EQ(form.Post(http_tests::TlsUrl("/form")), u"name=value\n");
  EXPECT_EQ(form.AnswerStatus(), 200u);

  CHttpFormPost upload(true, clock_);
  upload.AddTextField(u"_action", u"attachFile");
  const std::string header = "\r\nContent-Disposition: form-data; name=\"_file\"; filename=\"a.bin\"\r\n"
                             "Content-Type: application/octet-stream\r\n\r\n";
  const std::u16string answer = upload.PostWithFile(
      http_tests::TlsUrl("/form"), header, 3, [](const CHttpFormPost::DataWriter& write) { write("abc", 3); });
  EXPECT_NE(answer.find(u"_action=attachFile\n"), std::u16string::npos);
  EXPECT_EQ(upload.AnswerStatus(), 200u);

  // A certificate not trusted for the name fails the post.
  CHttpFormPost wrong(true, clock_);
  EXPECT_THROW(wrong.Post(http_tests::TlsUrl("/form", http_tests::Tls::kSelfSigned)), CInternetException);
}

TEST_F(FormPostTest, AFieldWithALineBreakOrNulIsLeftOut) {
  CHttpFormPost post(true, clock_);
  post.AddTextField(u"_session", u"a=1\r\nX-Injected: yes");
  post.AddTextField(u"bad\nname", u"1");
  post.AddTextField(u"quote\"", u"1");
  post.AddTextField(u"nul", std::u16string(u"a\0b", 3));
  post.AddTextField(u"kept", u"1");
  ASSERT_EQ(post.Fields().size(), 1u);
  EXPECT_EQ(post.Post(ServerUrl("/form")), u"kept=1\n");
}

TEST_F(FileSectionPostTest, TheFileSectionComesFirstAndTheLengthIsTheBodys) {
  CHttpFormPost post(false, clock_);
  post.AddTextField(u"_action", u"attachFile");
  const std::string header = "\r\nContent-Disposition: form-data; name=\"_file\"; filename=\"C:\\a.bin\"\r\n"
                             "Content-Type: application/octet-stream\r\n\r\n";
  post.PostWithFile(ServerUrl("/form"), header, 7, [](const CHttpFormPost::DataWriter& write) {
    write("abc", 3);
    write("defgXYZ", 7);  // past the announced length: cut
  });
  const Request r = Split(LastRawRequest());
  const std::string boundary = Utf16ToUtf8(CHttpFormPost::CurrentBoundary());
  EXPECT_EQ(r.body, "--" + boundary + header + "abcdefg\r\n--" + boundary +
                        "\r\nContent-Disposition: form-data; name=\"_action\"\r\n\r\nattachFile\r\n--" + boundary +
                        "--\r\n");
  EXPECT_EQ(r.Header("Content-Length"), std::to_string(r.body.size()));
  EXPECT_EQ(post.AnswerStatus(), 200u);
}

}  // namespace
}  // namespace vard
