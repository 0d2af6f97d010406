#include "common/text/Printf.h"

#include <gtest/gtest.h>

namespace vard {
namespace {

TEST(FormatText, PackFormats) {
  EXPECT_EQ(FormatText(u"전체파일 %d개 (%s)", {5, u"0.14KB"}), u"전체파일 5개 (0.14KB)");
  EXPECT_EQ(FormatText(u"All files : %d (%s)", {0, u"0.00KB"}), u"All files : 0 (0.00KB)");
  EXPECT_EQ(FormatText(u"%d개", {2}), u"2개");
}

TEST(FormatText, WidthPrecisionAndLengths) {
  EXPECT_EQ(FormatText(u"%.2x:%.2X", {10, 255}), u"0a:FF");
  EXPECT_EQ(FormatText(u"[%5d][%-5d][%05d]", {42, 42, -42}), u"[   42][42   ][-0042]");
  EXPECT_EQ(FormatText(u"%I64d %lld %u", {int64_t{1} << 40, int64_t{-1}, -1}),
            u"1099511627776 -1 4294967295");
  EXPECT_EQ(FormatText(u"%d", {int64_t{1} << 40}), u"0");  // %d is 32 bits, as in C
  EXPECT_EQ(FormatText(u"%.3s|%c|%%", {u"abcdef", u'Z'}), u"abc|Z|%");
}

TEST(FormatText, BadFormatsAreHarmless) {
  EXPECT_EQ(FormatText(u"%d %s %d", {1}), u"1  0");  // missing arguments
  EXPECT_EQ(FormatText(u"%s", {7}), u"7");            // number where text expected
  EXPECT_EQ(FormatText(u"%d", {u"x"}), u"0");         // text where number expected
  EXPECT_EQ(FormatText(u"100%", {}), u"100%");
  EXPECT_EQ(FormatText(u"%q", {}), u"%q");
}

}  // namespace
}  // namespace vard
