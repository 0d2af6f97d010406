#pragma once
// The entries of an RT_MENU resource (the classic format; the extended one
// is also read), for building menus without the system's menu loader.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vard {

struct MenuEntry {
  uint32_t id = 0;
  std::u16string text;
  bool separator = false;
  std::vector<MenuEntry> children;  // non-empty or `popup` for a pop-up
  bool popup = false;
};

// The top-level entries, or nothing when the bytes are malformed.
std::optional<std::vector<MenuEntry>> ParseMenu(std::span<const uint8_t> bytes);

// The items of the first pop-up (what a context menu shows), empty when
// there is none.
std::vector<MenuEntry> FirstPopupItems(std::span<const uint8_t> bytes);

}  // namespace vard
