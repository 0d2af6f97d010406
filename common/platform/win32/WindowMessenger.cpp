// Reaching another process's window with the window manager's own calls.
#include "common/platform/WindowMessenger.h"

#include <windows.h>

#include <cstdlib>
#include <mutex>

#include "common/platform/win32/WindowDump.h"
#include "common/platform/win32/Wide.h"

namespace vard::platform {
namespace {

struct ChildSearch {
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK FindInTopLevel(HWND top, LPARAM lParam) {
  auto* search = reinterpret_cast<ChildSearch*>(lParam);
  search->found = ::FindWindowExW(top, nullptr, search->className, nullptr);
  return search->found ? FALSE : TRUE;
}

// Keeps the dump another window sends back to the asking thread.
LRESULT CALLBACK ReplyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COPYDATA) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  auto* reply = reinterpret_cast<std::string*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!reply || data->dwData != win32::kDumpReply) return FALSE;
  reply->assign(static_cast<const char*>(data->lpData), data->cbData);
  return TRUE;
}

const wchar_t kReplyClass[] = L"vardel_window_request_reply";

bool RegisterReplyClass() {
  static std::once_flag once;
  static bool registered = false;
  std::call_once(once, [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &ReplyProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kReplyClass;
    registered = ::RegisterClassExW(&wc) || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  });
  return registered;
}

bool SendWaiting(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, uint32_t timeoutMs, DWORD_PTR* result) {
  ::SetLastError(ERROR_SUCCESS);
  if (timeoutMs == kNoTimeout) {
    *result = static_cast<DWORD_PTR>(::SendMessageW(hwnd, message, wParam, lParam));
    return true;
  }
  if (::SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, timeoutMs, result)) return true;
  if (::GetLastError() == ERROR_SUCCESS) ::SetLastError(ERROR_TIMEOUT);
  return false;
}

bool RequestDump(HWND hwnd, std::string* reply, uint32_t timeoutMs) {
  if (!RegisterReplyClass()) return false;
  HWND asker = ::CreateWindowExW(0, kReplyClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
  if (!asker) return false;
  std::string dump;
  ::SetWindowLongPtrW(asker, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&dump));
  COPYDATASTRUCT request{};
  request.dwData = win32::kDumpRequest;
  DWORD_PTR answered = 0;
  // The answer arrives while this thread waits: a sending thread handles
  // messages sent to its own windows.
  const bool sent = SendWaiting(hwnd, WM_COPYDATA, reinterpret_cast<WPARAM>(asker),
                                reinterpret_cast<LPARAM>(&request), timeoutMs, &answered);
  ::DestroyWindow(asker);
  if (!sent) return false;
  if (!answered) {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);  // not a window of ours
    return false;
  }
  if (reply) *reply = std::move(dump);
  return true;
}

}  // namespace

std::optional<WindowRef> FindProgramWindow(const std::u16string& className, const WindowRef* parent) {
  HWND hwnd = parent ? ::FindWindowExW(reinterpret_cast<HWND>(parent->handle), nullptr, win32::W(className), nullptr)
                     : ::FindWindowW(win32::W(className), nullptr);
  if (!hwnd && !parent) {
    // A child (the agent's view) reached by its class alone, as on POSIX.
    ChildSearch search{win32::W(className), nullptr};
    ::EnumWindows(&FindInTopLevel, reinterpret_cast<LPARAM>(&search));
    hwnd = search.found;
  }
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
  (void)clock;  // the window manager measures the time-out itself
  if (reply) reply->clear();
  const auto window = FindProgramWindow(className);
  if (!window) {
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  HWND hwnd = reinterpret_cast<HWND>(window->handle);
  if (request == "dump") return RequestDump(hwnd, reply, timeoutMs);
  if (request.rfind("command ", 0) == 0) {
    char* end = nullptr;
    const long id = std::strtol(request.c_str() + 8, &end, 10);
    if (*end || end == request.c_str() + 8 || id < 0 || id > 0xFFFF) {
      if (reply) *reply = "error: bad control id";
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return false;
    }
    DWORD_PTR result = 0;
    if (!SendWaiting(hwnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), 0, timeoutMs, &result))
      return false;
    if (reply) *reply = "0";
    return true;
  }
  // Other requests are the POSIX socket's own.
  ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return false;
}

}  // namespace vard::platform
