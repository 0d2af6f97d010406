#include "common/platform/tests/WindowControl.h"

#include <windows.h>

namespace vard::platform::testing {

bool RequestClose(const WindowRef& window, uintptr_t wParam) {
  HWND hwnd = reinterpret_cast<HWND>(window.handle);
  if (!::IsWindow(hwnd)) return false;
  ::SendMessageW(hwnd, WM_CLOSE, wParam, 0);
  return true;
}

bool PressButton(const WindowRef& window, int controlId) {
  HWND hwnd = reinterpret_cast<HWND>(window.handle);
  if (!::IsWindow(hwnd)) return false;
  ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), 0);
  return true;
}

}  // namespace vard::platform::testing
