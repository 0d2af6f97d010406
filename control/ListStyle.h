#pragma once
// View mode and column widths of the list: what ApplyListStyle decides.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "control/DownloadList.h"

namespace vard {

enum class ListViewMode { kReport, kIcon, kSmallIcon, kList };

// "large icon", "small icon", "list" ignoring case; anything else is report.
ListViewMode ListViewModeOf(const std::u16string& listStyle);

struct ColumnSpec {
  uint32_t titleTextId;
  int32_t width;
  bool rightAligned;
};

// The columns a layout shows, with their initial widths.
std::vector<ColumnSpec> ColumnsOf(FolderLayout layout);

// Report-mode widths of columns 0..3 from the client's right edge W, the
// scroll bar width V, the current widths of the shown columns and the four
// width settings (-1 = computed). Only the first `current.size()` apply.
std::array<int32_t, 4> ComputeColumnWidths(FolderLayout layout, int32_t clientRight, int32_t scrollBarWidth,
                                           const std::vector<int32_t>& current,
                                           const std::array<int16_t, 4>& itemWidths);

// Height left to the list above a status bar of `statusHeight`.
int32_t ListHeightAboveStatus(int32_t clientHeight, int32_t statusHeight);

}  // namespace vard
