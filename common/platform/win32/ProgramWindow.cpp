// Program windows as hidden windows of registered classes.
#include "common/platform/ProgramWindow.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "common/platform/win32/EventLoopImpl.h"
#include "common/platform/win32/WindowDump.h"
#include "common/platform/win32/Wide.h"

#ifndef MSGFLT_ADD
#define MSGFLT_ADD 1
#endif

namespace vard::platform {
namespace {

// Lets lower-integrity senders (a protected browser) through. Looked up at
// run time: older systems have no filter, and nothing to let through.
void AllowFromLowerIntegrity(UINT message) {
  using Filter = BOOL(WINAPI*)(UINT, DWORD);
  static const Filter filter = [] {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Filter>(
                        reinterpret_cast<void (*)()>(::GetProcAddress(user32, "ChangeWindowMessageFilter")))
                  : nullptr;
  }();
  if (filter) filter(message, MSGFLT_ADD);
}

void SystemFilter(const std::u16string& name) { AllowFromLowerIntegrity(::RegisterWindowMessageW(win32::W(name))); }

std::atomic<LowerIntegrityFilter> filterCall{&SystemFilter};

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

bool RegisterWindowClass(const std::u16string& className) {
  static std::mutex mutex;
  static std::set<std::u16string> registered;
  std::lock_guard<std::mutex> lock(mutex);
  if (registered.count(className)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &WindowProc;
  wc.hInstance = EventLoop::Impl::Module();
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = win32::W(className);
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  registered.insert(className);
  return true;
}

}  // namespace

struct ProgramWindow::Impl {
  HWND hwnd = nullptr;
  IWindowRequests* handler = nullptr;
  std::map<UINT, std::u16string> messages;
};

namespace {

// The dump goes back to the asker's window while the asker waits for this
// message's result; an asker that stopped listening costs at most 5 s.
// Not SMTO_ABORTIFHUNG: an asker that has not read its queue for 5 s counts
// as hung until it waits for this answer, and the answer can come first.
LRESULT AnswerDump(HWND hwnd, HWND asker, const COPYDATASTRUCT& request, IWindowRequests& handler) {
  if (request.dwData != win32::kDumpRequest || !::IsWindow(asker)) return FALSE;
  std::string dump = handler.Dump();
  COPYDATASTRUCT reply{};
  reply.dwData = win32::kDumpReply;
  reply.cbData = static_cast<DWORD>(dump.size());
  reply.lpData = dump.data();
  DWORD_PTR taken = 0;
  ::SendMessageTimeoutW(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&reply),
                        SMTO_NORMAL, 5000, &taken);
  return taken ? TRUE : FALSE;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    static_cast<ProgramWindow::Impl*>(create->lpCreateParams)->hwnd = hwnd;
  }
  auto* self = reinterpret_cast<ProgramWindow::Impl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The parent's end takes its children with it: their objects must not
    // destroy them again.
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd = nullptr;
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  if (message >= 0xC000) {  // registered messages live in 0xC000-0xFFFF
    if (auto it = self->messages.find(message); it != self->messages.end())
      return self->handler->OnRegisteredMessage(it->second, wParam, lParam);
  }
  switch (message) {
    case WM_COMMAND:
      self->handler->OnCommand(LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      self->handler->OnClose(wParam);  // the window decides; no DefWindowProc
      return 0;
    case WM_COPYDATA:
      return AnswerDump(hwnd, reinterpret_cast<HWND>(wParam), *reinterpret_cast<const COPYDATASTRUCT*>(lParam),
                        *self->handler);
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

LowerIntegrityFilter ReplaceLowerIntegrityFilter(LowerIntegrityFilter filter) { return filterCall.exchange(filter); }

std::unique_ptr<ProgramWindow> ProgramWindow::Create(EventLoop& loop, const std::u16string& className,
                                                     ProgramWindow* parent, const std::vector<std::u16string>& messages,
                                                     IWindowRequests& handler,
                                                     const std::vector<std::u16string>& fromLowerIntegrity) {
  (void)loop;  // the window belongs to this thread, whose loop dispatches it
  if (!RegisterWindowClass(className)) return nullptr;
  auto impl = std::make_unique<Impl>();
  impl->handler = &handler;
  for (const auto& name : messages) {
    const UINT id = ::RegisterWindowMessageW(win32::W(name));
    if (!id) return nullptr;
    impl->messages[id] = name;
    if (std::find(fromLowerIntegrity.begin(), fromLowerIntegrity.end(), name) != fromLowerIntegrity.end())
      filterCall.load()(name);
  }
  HWND parentHwnd = parent ? reinterpret_cast<HWND>(parent->NativeHandle()) : nullptr;
  const DWORD style = parentHwnd ? WS_CHILD | WS_CLIPSIBLINGS : WS_OVERLAPPEDWINDOW;
  HWND hwnd = ::CreateWindowExW(0, win32::W(className), L"", style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, parentHwnd, nullptr, EventLoop::Impl::Module(), impl.get());
  if (!hwnd) return nullptr;
  return std::unique_ptr<ProgramWindow>(new ProgramWindow(std::move(impl)));
}

ProgramWindow::ProgramWindow(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ProgramWindow::~ProgramWindow() {
  if (impl_->hwnd) ::DestroyWindow(impl_->hwnd);
}

void ProgramWindow::Show(bool visible) {
  if (impl_->hwnd) ::ShowWindow(impl_->hwnd, visible ? SW_SHOW : SW_HIDE);
}

bool ProgramWindow::IsVisible() const { return impl_->hwnd && ::IsWindowVisible(impl_->hwnd); }

void ProgramWindow::SetTitle(const std::u16string& title) {
  if (impl_->hwnd) ::SetWindowTextW(impl_->hwnd, win32::W(title));
}

std::u16string ProgramWindow::Title() const {
  if (!impl_->hwnd) return {};
  const int length = ::GetWindowTextLengthW(impl_->hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(impl_->hwnd, text.data(), length + 1);
  return win32::U(text.c_str(), static_cast<size_t>(got > 0 ? got : 0));
}

intptr_t ProgramWindow::NativeHandle() const { return reinterpret_cast<intptr_t>(impl_->hwnd); }

}  // namespace vard::platform
