#include "control/ListStyle.h"

#include <gtest/gtest.h>

namespace vard {
namespace {

constexpr std::array<int16_t, 4> kComputed = {-1, -1, -1, -1};

TEST(ListStyle, Modes) {
  EXPECT_EQ(ListViewModeOf(u"List"), ListViewMode::kList);
  EXPECT_EQ(ListViewModeOf(u"LARGE ICON"), ListViewMode::kIcon);
  EXPECT_EQ(ListViewModeOf(u"small icon"), ListViewMode::kSmallIcon);
  EXPECT_EQ(ListViewModeOf(u""), ListViewMode::kReport);
  EXPECT_EQ(ListViewModeOf(u"details"), ListViewMode::kReport);
}

TEST(ListStyle, Type0Widths) {
  // Columns 1.. already take 133: column 0 falls to its floor of 150.
  auto w = ComputeColumnWidths(FolderLayout::kType0, 300, 17, {150, 133}, kComputed);
  EXPECT_EQ(w[0], 150);
  EXPECT_EQ(w[1], 133);
  w = ComputeColumnWidths(FolderLayout::kType0, 600, 17, {150, 110}, kComputed);
  EXPECT_EQ(w[0], 473);
  EXPECT_EQ(w[1], 110);  // 600-17-473 = 110 is not above the minimum
}

TEST(ListStyle, Type1AndType2Widths) {
  auto w = ComputeColumnWidths(FolderLayout::kType1, 800, 17, {150, 110, 150}, kComputed);
  EXPECT_EQ(w[0], 523);
  EXPECT_EQ(w[1], 110);  // (800-523)/2-17-40 = 81
  EXPECT_EQ(w[2], 150);
  w = ComputeColumnWidths(FolderLayout::kType2, 1000, 17, {150, 80, 65, 65}, kComputed);
  EXPECT_EQ(w[0], 773);
  EXPECT_EQ(w[1], 88);  // (1000-773)/3-17+30
  EXPECT_EQ(w[2], 65);  // (1000-88-17-773)/2 = 61
  EXPECT_EQ(w[3], 65);
}

TEST(ListStyle, GivenWidthsAreUnsigned16Bit) {
  auto w = ComputeColumnWidths(FolderLayout::kType2, 500, 17, {150, 80, 65, 65}, {100, -2, 70, -1});
  EXPECT_EQ(w[0], 100);
  EXPECT_EQ(w[1], 65534);
  EXPECT_EQ(w[2], 70);
  EXPECT_EQ(w[3], 70);  // column 3 follows column 2
}

TEST(ListStyle, ExtremeWindowSizesClampInsteadOfOverflowing) {
  // Far left: every computed width falls to its floor.
  auto w = ComputeColumnWidths(FolderLayout::kType0, INT32_MIN, 17, {150, 110}, kComputed);
  EXPECT_EQ(w[0], 150);
  EXPECT_EQ(w[1], 110);
  // Far right with a negative scroll bar: widths stop at the 32-bit top.
  w = ComputeColumnWidths(FolderLayout::kType2, INT32_MAX, INT32_MIN, {150, 80, 65, 65}, kComputed);
  EXPECT_EQ(w[0], INT32_MAX);
  EXPECT_EQ(w[1], INT32_MAX);
  EXPECT_EQ(w[2], 65);  // (MAX - MAX + 2^31 - MAX) / 2 = 0
  EXPECT_EQ(w[3], 65);
  // Columns already wider than anything: their sum does not wrap.
  w = ComputeColumnWidths(FolderLayout::kType1, 400, 17, {150, INT32_MAX, INT32_MAX}, kComputed);
  EXPECT_EQ(w[0], 150);
  EXPECT_EQ(w[1], 110);
  EXPECT_EQ(w[2], 150);
  w = ComputeColumnWidths(FolderLayout::kType1, INT32_MAX, INT32_MAX, {150, INT32_MIN, INT32_MIN}, kComputed);
  EXPECT_EQ(w[0], INT32_MAX);  // 0 - 2 * MIN
  EXPECT_EQ(w[1], 110);
  EXPECT_EQ(w[2], 150);
}

TEST(ListStyle, ListHeightAboveTheStatusBar) {
  EXPECT_EQ(ListHeightAboveStatus(300, 20), 280);
  EXPECT_EQ(ListHeightAboveStatus(INT32_MIN, 20), INT32_MIN);
  EXPECT_EQ(ListHeightAboveStatus(INT32_MAX, -20), INT32_MAX);
}

}  // namespace
}  // namespace vard
