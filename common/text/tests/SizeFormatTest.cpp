#include "common/text/SizeFormat.h"

#include <gtest/gtest.h>

namespace vard {
namespace {

TEST(FormatSize, UnitsAndTruncatedFraction) {
  EXPECT_EQ(FormatSize(0), u"0.00KB");
  EXPECT_EQ(FormatSize(1023), u"0.99KB");  // truncated, not rounded up to 1.00
  EXPECT_EQ(FormatSize(1536), u"1.50KB");
  EXPECT_EQ(FormatSize(150), u"0.14KB");
  EXPECT_EQ(FormatSize(5000000), u"4.76MB");
  EXPECT_EQ(FormatSize(1099511627776LL), u"1,024.00GB");
}

TEST(FormatSize, UnitBoundaries) {
  EXPECT_EQ(FormatSize(1024 * 1024 - 1), u"1,023.99KB");
  EXPECT_EQ(FormatSize(1024 * 1024), u"1.00MB");
  EXPECT_EQ(FormatSize(1024LL * 1024 * 1024 - 1), u"1,023.99MB");
  EXPECT_EQ(FormatSize(1024LL * 1024 * 1024), u"1.00GB");
}

TEST(FormatSize, DecimalsArgument) {
  EXPECT_EQ(FormatSize(1536, 0), u"1KB");
  EXPECT_EQ(FormatSize(1536, -1), u"1KB");
  EXPECT_EQ(FormatSize(1536, 3), u"1.500KB");
  EXPECT_EQ(FormatSize(1024 + 10, 3), u"1.009KB");  // zero-padded on the left
}

TEST(FormatSize, LargestSizesKeepTwoExactDecimals) {
  // Beyond 2^53 a double cannot hold size / divisor exactly.
  EXPECT_EQ(FormatSize(INT64_MAX), u"8,589,934,591.99GB");
  EXPECT_EQ(FormatSize((int64_t{1} << 53) + (int64_t{1} << 30) - 1), u"8,388,608.99GB");
  EXPECT_EQ(FormatSize(int64_t{1} << 53), u"8,388,608.00GB");
  EXPECT_EQ(FormatSize(INT64_MAX, 12), u"8,589,934,591.999999999068GB");
}

TEST(FormatSize, NegativeSizesCarryOneSign) {
  // Integer division truncates toward zero, so every negative size is in KB.
  EXPECT_EQ(FormatSize(-1536), u"-1.50KB");
  EXPECT_EQ(FormatSize(-512), u"-0.50KB");
  EXPECT_EQ(FormatSize(-1), u"-0.00KB");
  EXPECT_EQ(FormatSize(-5000000), u"-4,882.81KB");
  EXPECT_EQ(FormatSize(INT64_MIN), u"-9,007,199,254,740,992.00KB");
  EXPECT_EQ(FormatSize(-1536, 0), u"-1KB");
  EXPECT_EQ(FormatSize(-512, 0), u"-0KB");
}

TEST(FormatThousands, Groups) {
  EXPECT_EQ(FormatThousands(0), u"0");
  EXPECT_EQ(FormatThousands(999), u"999");
  EXPECT_EQ(FormatThousands(1000), u"1,000");
  EXPECT_EQ(FormatThousands(1234567), u"1,234,567");
  EXPECT_EQ(FormatThousands(-1234), u"-1,234");
  EXPECT_EQ(FormatThousands(INT64_MIN), u"-9,223,372,036,854,775,808");
}

}  // namespace
}  // namespace vard
