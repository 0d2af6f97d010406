#include "ContextMenu.h"

#include <algorithm>

namespace vard {

std::vector<ContextMenuEntry> DefaultContextPopup() {
  return {{kCmdOpenFile, false, false, {}},
          {0, true, false, {}},
          {kCmdDownloadSelected, false, false, {}},
          {kCmdDownloadAll, false, false, {}}};
}

std::vector<ContextMenuEntry> BuildContextMenu(std::vector<ContextMenuEntry> popup, bool useContextOpen, int selectedRows,
                                        bool singleSelectedIsGroup) {
  if (!useContextOpen) popup.erase(popup.begin(), popup.begin() + std::min<size_t>(2, popup.size()));
  for (ContextMenuEntry& e : popup) {
    if (e.separator) continue;
    if (selectedRows == 0 && (e.id == kCmdOpenFile || e.id == kCmdDownloadSelected)) e.grayed = true;
    if (selectedRows > 1 && e.id == kCmdOpenFile) e.grayed = true;
    if (selectedRows == 1 && singleSelectedIsGroup && e.id == kCmdOpenFile) e.grayed = true;
  }
  return popup;
}

}  // namespace vard
