#pragma once
// Reaching a program window of another process (ProgramWindow.h): finding
// it by class, sending it a registered message and waiting for the result,
// bringing it to the top. Win32: FindWindowW/FindWindowExW,
// RegisterWindowMessageW, SendMessageTimeoutW, SetForegroundWindow.
// POSIX: requests on the window's socket R/window/<class name>.
#include <cstdint>
#include <optional>
#include <string>

#include "common/platform/Clock.h"

namespace vard::platform {

namespace error {
// The window is gone (or never was).
constexpr uint32_t kInvalidWindowHandle = 1400;
// It did not answer within the time-out.
constexpr uint32_t kTimeout = 1460;
}  // namespace error

struct WindowRef {
  intptr_t handle = 0;  // HWND on Win32; unused on POSIX
  std::u16string className;
};

// The top-level window of `className` (any title), else a top-level
// window's child of that class; with `parent` its child of that class. Nothing when no such window answers.
std::optional<WindowRef> FindProgramWindow(const std::u16string& className, const WindowRef* parent = nullptr);

// Sends the message registered under `name` and waits, up to `timeoutMs`
// on `clock`, until the window has handled it. False when the window is
// gone, did not answer in time or refused the request (LastError says).
// A window of the calling thread handles it at once.
bool SendRegisteredMessage(const WindowRef& window, const std::u16string& name, uintptr_t wParam, intptr_t lParam,
                           intptr_t* result, uint32_t timeoutMs = kNoTimeout, IClock& clock = SystemClock());

// Brings the (top-level) window to the top.
bool BringToForeground(const WindowRef& window);

// Asks the window to close (WM_CLOSE with `wParam`) without waiting for it
// to go; the window decides.
bool PostClose(const WindowRef& window, uintptr_t wParam);

// One raw request to the window of `className` and its reply (tests, tools,
// diagnostics). POSIX: any request on its socket ("dump" is answered here).
// Win32: "dump" (WM_COPYDATA both ways) and "command <id>" (WM_COMMAND,
// reply "0"); other requests are false with LastError 120.
bool WindowRequest(const std::u16string& className, const std::string& request, std::string* reply,
                   uint32_t timeoutMs = kNoTimeout, IClock& clock = SystemClock());

}  // namespace vard::platform
