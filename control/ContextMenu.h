#pragma once
// The list's context menu: which entries it has and which are grayed.
#include <cstdint>
#include <string>
#include <vector>

namespace vard {

enum : uint16_t { kCmdOpenFile = 32772, kCmdDownloadSelected = 32773, kCmdDownloadAll = 32774 };
constexpr uint32_t kContextMenuId = 204;

struct ContextMenuEntry {
  uint16_t id = 0;  // 0 for a separator
  bool separator = false;
  bool grayed = false;
  std::u16string text;
};

// Entries of the first popup of menu 204 after the open entry (and its
// separator) were dropped and the gray rules applied.
std::vector<ContextMenuEntry> BuildContextMenu(std::vector<ContextMenuEntry> popup, bool useContextOpen, int selectedRows,
                                        bool singleSelectedIsGroup);

// The popup as the menu resource lays it out, used when the pack gives none.
std::vector<ContextMenuEntry> DefaultContextPopup();

}  // namespace vard
