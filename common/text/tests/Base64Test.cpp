#include "common/text/Base64.h"

#include <gtest/gtest.h>

namespace vard {
namespace {

TEST(Base64, EncodesWithPadding) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("f"), "Zg==");
  EXPECT_EQ(Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(Base64Encode("foo"), "Zm9v");
  EXPECT_EQ(Base64Encode("\xFF\xFE\xFD\xFC"), "//79/A==");
}

TEST(Base64, DecodingSkipsEverythingOutsideTheAlphabet) {
  const std::string url = "http://h/a b.txt";
  const std::string encoded = Base64Encode(url);
  EXPECT_EQ(Base64Decode(encoded), url);
  EXPECT_EQ(Base64Decode(encoded + "\r\n"), url);
  EXPECT_EQ(Base64Decode(" " + encoded.substr(0, 8) + "\n" + encoded.substr(8)), url);
  EXPECT_EQ(Base64Decode("Zm9v\x80\xFF" "YmFy"), "foobar");
}

TEST(Base64, PartialFinalGroupYieldsItsWholeBytes) {
  EXPECT_EQ(Base64Decode("Zm9vYg"), "foob");   // 2 digits: 1 byte
  EXPECT_EQ(Base64Decode("Zm9vYmE"), "fooba");  // 3 digits: 2 bytes
  EXPECT_EQ(Base64Decode("Zm9vY"), "foo");      // 1 digit: no whole byte
  EXPECT_EQ(Base64Decode("===="), "");
}

TEST(Base64, TextFormRoundTripsAscii) {
  EXPECT_EQ(Base64EncodeText(u"http://h/x.zip"), u"aHR0cDovL2gveC56aXA=");
  EXPECT_EQ(Base64DecodeText(u"aHR0cDovL2gveC56aXA=\r\n"), u"http://h/x.zip");
}

}  // namespace
}  // namespace vard
