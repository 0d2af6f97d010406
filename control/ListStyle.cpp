#include "ListStyle.h"

#include <algorithm>

#include "common/text/CaseFold.h"

namespace vard {

ListViewMode ListViewModeOf(const std::u16string& style) {
  if (EqualsIgnoreCase(style, u"large icon")) return ListViewMode::kIcon;
  if (EqualsIgnoreCase(style, u"small icon")) return ListViewMode::kSmallIcon;
  if (EqualsIgnoreCase(style, u"list")) return ListViewMode::kList;
  return ListViewMode::kReport;
}

std::vector<ColumnSpec> ColumnsOf(FolderLayout layout) {
  switch (layout) {
    case FolderLayout::kType1: return {{101, 150, false}, {102, 110, true}, {104, 150, false}};
    case FolderLayout::kType2:
      return {{105, 150, false}, {106, 80, true}, {107, 65, true}, {108, 65, true}};
    default: return {{101, 150, false}, {102, 110, true}};
  }
}

namespace {

// Window sizes come from outside: the arithmetic runs in 64 bits and every
// width is clamped to what a 32-bit pixel count holds.
int32_t Clamped(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

std::array<int32_t, 4> ComputeColumnWidths(FolderLayout layout, int32_t clientRight, int32_t scrollBarWidth,
                                           const std::vector<int32_t>& current,
                                           const std::array<int16_t, 4>& given) {
  const int64_t W = clientRight, V = scrollBarWidth;
  // A given width is an unsigned 16-bit pixel count.
  auto fixed = [](int16_t v) { return static_cast<int32_t>(static_cast<uint16_t>(v)); };
  int64_t others = 0;
  for (size_t i = 1; i < current.size(); ++i) others += current[i];

  int32_t w0 = given[0] != -1 ? fixed(given[0]) : Clamped(W - V - others);
  if (given[0] == -1 && w0 <= 150) w0 = 150;

  int32_t w1;
  if (given[1] != -1) {
    w1 = fixed(given[1]);
  } else {
    int64_t h, min;
    switch (layout) {
      case FolderLayout::kType1: h = (W - w0) / 2 - V - 40; min = 110; break;
      case FolderLayout::kType2: h = (W - w0) / 3 - V + 30; min = 80; break;
      default: h = W - V - w0; min = 110; break;
    }
    w1 = Clamped(h > min ? h : min);
  }

  int32_t w2;
  if (given[2] != -1) {
    w2 = fixed(given[2]);
  } else {
    switch (layout) {
      case FolderLayout::kType1: w2 = Clamped(std::max<int64_t>(W - w1 - V - w0, 150)); break;
      case FolderLayout::kType2: w2 = Clamped(std::max<int64_t>((W - w1 - V - w0) / 2, 65)); break;
      default: w2 = 0; break;
    }
  }
  const int32_t w3 = given[3] != -1 ? fixed(given[3]) : w2;
  return {w0, w1, w2, w3};
}

int32_t ListHeightAboveStatus(int32_t clientHeight, int32_t statusHeight) {
  return Clamped(int64_t{clientHeight} - statusHeight);
}

}  // namespace vard
