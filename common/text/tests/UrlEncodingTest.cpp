#include "common/text/UrlEncoding.h"

#include <gtest/gtest.h>

namespace vard {
namespace {

TEST(EscapeUrlBytes, KeepsTheSafeSetAndEscapesTheRest) {
  EXPECT_EQ(EscapeUrlBytes("a b~c"), "a%20b%7Ec");
  EXPECT_EQ(EscapeUrlBytes("\xEA\xB0\x80"), "%EA%B0%80");
  const std::string safe = "09AZaz!&'()*+,-./:;=?@_";
  EXPECT_EQ(EscapeUrlBytes(safe), safe);
  EXPECT_EQ(EscapeUrlBytes("\"#$<>[\\]^`{|}"), "%22%23%24%3C%3E%5B%5C%5D%5E%60%7B%7C%7D");
  EXPECT_EQ(EscapeUrlBytes(std::string("\x00\x1F\x7F\xFF", 4)), "%00%1F%7F%FF");
}

TEST(EscapeUrlBytes, EscapesAnAlreadyEscapedUrlAgain) {
  EXPECT_EQ(EscapeUrlBytes("a%20b"), "a%2520b");
}

TEST(EncodeUrl, Utf8BytesAreEscaped) {
  EXPECT_EQ(EncodeUrl(u"http://h/가 b.txt?x=1", true), u"http://h/%EA%B0%80%20b.txt?x=1");
}

TEST(EncodeUrl, LongUrlIsCutOnACharacterBoundary) {
  // 2083 ASCII bytes + one 3-byte character: the character does not fit.
  std::u16string url(2083, u'a');
  url += u"가";
  EXPECT_EQ(Utf8UrlBytes(url).size(), 2083u);
  url = std::u16string(2081, u'a') + u"가";  // exactly 2084 bytes
  EXPECT_EQ(Utf8UrlBytes(url).size(), 2084u);
  // A surrogate pair (4 bytes) is kept or dropped as a whole.
  url = std::u16string(2082, u'a') + u"\U0001F600";
  EXPECT_EQ(Utf8UrlBytes(url), std::string(2082, 'a'));
  const std::u16string encoded = EncodeUrl(std::u16string(3000, u'b'), true);
  EXPECT_EQ(encoded.size(), kMaxUrlUtf8Bytes);
}

TEST(EncodeUrl, AnsiPathKeepsAscii) {
  EXPECT_EQ(EncodeUrl(u"http://h/a b", false), u"http://h/a%20b");
}

}  // namespace
}  // namespace vard
