#include "common/text/Utf.h"

#include <gtest/gtest.h>

namespace vard {
namespace {

TEST(Utf, RoundTripsBmpAndSupplementary) {
  const std::u16string text = u"a가\u00e9\U0001F600z";
  const std::string utf8 = Utf16ToUtf8(text);
  EXPECT_EQ(utf8, "a\xEA\xB0\x80\xC3\xA9\xF0\x9F\x98\x80z");
  EXPECT_EQ(Utf8ToUtf16(utf8), text);
}

TEST(Utf, BrokenInputBecomesReplacement) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xEA\xB0"), u"\uFFFD");           // truncated sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");           // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");       // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Utf, FixedFieldsAreReadBounded) {
  const char16_t full[3] = {u'a', u'b', u'c'};  // no terminator
  EXPECT_EQ(FromFixedField(full, 3), u"abc");
  const char16_t shortField[4] = {u'a', 0, u'x', u'y'};
  EXPECT_EQ(FromFixedField(shortField, 4), u"a");
}

}  // namespace
}  // namespace vard
