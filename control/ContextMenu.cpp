#include "ContextMenu.h"

#include <algorithm>

namespace vard {

std::vector<MenuEntry> DefaultContextPopup() {
  return {{kCmdOpenFile, false, false, {}},
          {0, true, false, {}},
          {kCmdDownloadSelected, false, false, {}},
          {kCmdDownloadAll, false, false, {}}};
}

std::vector<MenuEntry> BuildContextMenu(std::vector<MenuEntry> popup, bool useContextOpen, int selectedRows,
                                        bool singleSelectedIsGroup) {
  if (!useContextOpen) popup.erase(popup.begin(), popup.begin() + std::min<size_t>(2, popup.size()));
  for (MenuEntry& e : popup) {
    if (e.separator) continue;
    if (selectedRows == 0 && (e.id == kCmdOpenFile || e.id == kCmdDownloadSelected)) e.grayed = true;
    if (selectedRows > 1 && e.id == kCmdOpenFile) e.grayed = true;
    if (selectedRows == 1 && singleSelectedIsGroup && e.id == kCmdOpenFile) e.grayed = true;
  }
  return popup;
}

}  // namespace vard
