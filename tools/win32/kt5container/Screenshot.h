#pragma once
// Pictures of what is on the screen, as 24-bit BMP files.
#include <windows.h>

#include <string>

namespace vard::container {

// The screen area `rect` (screen coordinates); false when it could not be
// read or written.
bool SaveScreenArea(const RECT& rect, const std::wstring& path);
// The window's area, with every visible popup of this thread (menus,
// dialogs) that overlaps it or lies beside it.
bool SaveWindowShot(HWND window, const std::wstring& path);

}  // namespace vard::container
