// The client handles over TLS against the loopback test server: what works
// over http works over https, and a certificate that is not trusted for
// the name asked for fails the request instead of being read from.
#include <gtest/gtest.h>

#include "common/http/InternetHandles.h"
#include "common/http/testing/TestData.h"
#include "common/http/tests/TestEndpoint.h"

namespace vard {
namespace {

namespace inet = platform::inet;
using http_testing::DataByte;
using http_tests::Tls;
using http_tests::TlsUrl;

class HttpsTest : public ::testing::Test {
 protected:
  void SetUp() override { session_.Open(u"VardKT5"); }

  void Open(std::string_view path, const std::u16string& headers = u"", Tls kind = Tls::kTrusted) {
    file_.Close();
    file_.OpenUrl(session_.Handle(), TlsUrl(path, kind), headers, inet::kFlagReload);
  }
  uint32_t Number(uint32_t query) {
    uint32_t value = 0;
    EXPECT_TRUE(file_.QueryInfoNumber(query, value));
    return value;
  }
  std::string ReadAll() { return http_tests::ReadAvailable(file_); }
  static bool IsData(const std::string& body, uint64_t offset) {
    for (size_t i = 0; i < body.size(); ++i)
      if (static_cast<uint8_t>(body[i]) != DataByte(offset + i)) return false;
    return true;
  }
  // The error of a request that must fail; 0 when it did not.
  uint32_t FailureOf(std::string_view path, Tls kind) {
    try {
      Open(path, u"", kind);
    } catch (const CInternetException& e) {
      EXPECT_FALSE(file_.IsOpen());
      return e.systemError;
    }
    return 0;
  }

  CInternetSession session_;
  CHttpFile file_;
};

TEST_F(HttpsTest, BodiesRangesRedirectsAndCompressionAsOverHttp) {
  Open("/data/300000");
  EXPECT_EQ(Number(inet::kQueryStatusCode), 200u);
  EXPECT_EQ(Number(inet::kQueryContentLength), 300000u);
  std::string body = ReadAll();
  EXPECT_EQ(body.size(), 300000u);
  EXPECT_TRUE(IsData(body, 0));

  Open("/data/10000", u"Range: bytes=1000-\r\n");
  EXPECT_EQ(Number(inet::kQueryStatusCode), 206u);
  std::u16string range;
  ASSERT_TRUE(file_.QueryInfoText(inet::kQueryContentRange, range));
  EXPECT_EQ(range, u"bytes 1000-9999/10000");
  body = ReadAll();
  EXPECT_EQ(body.size(), 9000u);
  EXPECT_TRUE(IsData(body, 1000));

  // A relative redirect stays on https.
  Open("/redirect?to=/data/50");
  EXPECT_EQ(Number(inet::kQueryStatusCode), 200u);
  EXPECT_EQ(ReadAll().size(), 50u);

  Open("/data/20000?gzip=1", u"Accept-Encoding: gzip, deflate\r\n");
  body = ReadAll();
  EXPECT_EQ(body.size(), 20000u);
  EXPECT_TRUE(IsData(body, 0));

  Open("/status/404");
  EXPECT_EQ(Number(inet::kQueryStatusCode), 404u);
}

TEST_F(HttpsTest, ABodyCutShortEndsWhereItWasCut) {
  // As over http: the reader sees the end early and asks again from there.
  Open("/data/1000000?cut=30000");
  EXPECT_EQ(Number(inet::kQueryContentLength), 1000000u);
  const std::string body = ReadAll();
  EXPECT_EQ(body.size(), 30000u);
  EXPECT_TRUE(IsData(body, 0));
}

TEST_F(HttpsTest, CertificatesThatAreNotTrustedFailTheRequest) {
  EXPECT_EQ(FailureOf("/data/10", Tls::kSelfSigned), inet::kInvalidCa);
  // Issued by the trusted authority, but for another name.
  EXPECT_NE(FailureOf("/data/10", Tls::kWrongName), 0u);
  // Nothing of the refusals sticks to the session.
  EXPECT_EQ(FailureOf("/data/10", Tls::kTrusted), 0u);
  EXPECT_EQ(ReadAll().size(), 10u);
}

}  // namespace
}  // namespace vard
