// Reaching another process's window with the window manager's own calls.
#include "common/platform/WindowMessenger.h"

#include <windows.h>

#include "common/platform/win32/Wide.h"

namespace vard::platform {

std::optional<WindowRef> FindProgramWindow(const std::u16string& className, const WindowRef* parent) {
  HWND hwnd = parent ? ::FindWindowExW(reinterpret_cast<HWND>(parent->handle), nullptr, win32::W(className), nullptr)
                     : ::FindWindowW(win32::W(className), nullptr);
  if (!hwnd) return std::nullopt;
  return WindowRef{reinterpret_cast<intptr_t>(hwnd), className};
}

bool SendRegisteredMessage(const WindowRef& window, const std::u16string& name, uintptr_t wParam, intptr_t lParam,
                           intptr_t* result, uint32_t timeoutMs, IClock& clock) {
  (void)clock;  // the window manager measures the time-out itself
  HWND hwnd = reinterpret_cast<HWND>(window.handle);
  if (!::IsWindow(hwnd)) {
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  const UINT message = ::RegisterWindowMessageW(win32::W(name));
  if (!message) return false;
  if (timeoutMs == kNoTimeout) {
    const LRESULT r = ::SendMessageW(hwnd, message, wParam, lParam);
    if (result) *result = r;
    return true;
  }
  DWORD_PTR r = 0;
  ::SetLastError(ERROR_SUCCESS);
  if (!::SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &r)) {
    // Some systems leave the error unset for a time-out.
    if (::GetLastError() == ERROR_SUCCESS) ::SetLastError(ERROR_TIMEOUT);
    return false;
  }
  if (result) *result = static_cast<intptr_t>(r);
  return true;
}

bool BringToForeground(const WindowRef& window) {
  HWND hwnd = reinterpret_cast<HWND>(window.handle);
  if (!::IsWindow(hwnd)) {
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (::IsIconic(hwnd)) ::ShowWindow(hwnd, SW_RESTORE);
  return ::SetForegroundWindow(hwnd) != FALSE;
}

bool PostClose(const WindowRef& window, uintptr_t wParam) {
  return ::PostMessageW(reinterpret_cast<HWND>(window.handle), WM_CLOSE, static_cast<WPARAM>(wParam), 0) != FALSE;
}

bool WindowRequest(const std::u16string& className, const std::string& request, std::string* reply,
                   uint32_t timeoutMs, IClock& clock) {
  (void)className, (void)request, (void)timeoutMs, (void)clock;
  if (reply) reply->clear();
  ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return false;
}

}  // namespace vard::platform
