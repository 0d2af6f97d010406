// The event loop as a Win32 message loop with a hidden window of its own.
#include "common/platform/EventLoop.h"

#include <algorithm>
#include <utility>

#include "common/platform/win32/EventLoopImpl.h"

namespace vard::platform {
namespace {

constexpr wchar_t kHiddenClass[] = L"VardEventLoop";
constexpr UINT kTaskMessage = WM_APP + 0x3A1;
constexpr UINT_PTR kWakeTimer = 1;

}  // namespace

HINSTANCE EventLoop::Impl::Module() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&EventLoop::Impl::Module), &module);
  return module;
}

EventLoop::Impl::Impl(IClock& c) : clock(c), timers(c) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &HiddenProc;
  wc.hInstance = Module();
  wc.lpszClassName = kHiddenClass;
  ::RegisterClassExW(&wc);  // fails harmlessly once registered
  hidden = ::CreateWindowExW(0, kHiddenClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  if (hidden) ::SetWindowLongPtrW(hidden, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

EventLoop::Impl::~Impl() {
  if (hidden) ::DestroyWindow(hidden);
}

LRESULT CALLBACK EventLoop::Impl::HiddenProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Impl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && message == kTaskMessage) {
    self->RunTasks();
    return 0;
  }
  if (self && message == WM_TIMER && wParam == kWakeTimer) {
    self->FireTimers();
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

bool EventLoop::Impl::Post(std::function<void()> task) {
  bool signal;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (ended || !hidden) return false;
    tasks.push_back(std::move(task));
    signal = !signalled;
    signalled = true;
  }
  // One message stands for every task queued behind it.
  if (signal && !::PostMessageW(hidden, kTaskMessage, 0, 0)) {
    std::lock_guard<std::mutex> lock(mutex);
    signalled = false;  // the next Post or RunPending tries again
  }
  return true;
}

void EventLoop::Impl::RunTasks() {
  size_t count;
  {
    std::lock_guard<std::mutex> lock(mutex);
    count = tasks.size();
    signalled = false;
  }
  // Only what is queued now, so that a task posting again does not keep
  // the thread's other messages waiting.
  for (; count > 0 && !quit; --count) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (tasks.empty()) break;
      task = std::move(tasks.front());
      tasks.pop_front();
    }
    task();
  }
  std::lock_guard<std::mutex> lock(mutex);
  if (!tasks.empty() && !signalled && !quit && hidden)
    signalled = ::PostMessageW(hidden, kTaskMessage, 0, 0) != FALSE;
}

void EventLoop::Impl::FireTimers() {
  timers.FireDue();
  ArmTimer();
}

void EventLoop::Impl::ArmTimer() {
  if (!hidden) return;
  const auto next = timers.NextDueIn();
  if (!next) {
    if (armed) ::KillTimer(hidden, kWakeTimer);
    armed = false;
    return;
  }
  // Only a wake-up: whether a timer is due is the clock's answer.
  ::SetTimer(hidden, kWakeTimer, std::max<UINT>(*next, USER_TIMER_MINIMUM), nullptr);
  armed = true;
}

bool EventLoop::Impl::Dispatch(MSG& msg) {
  if (msg.message == WM_QUIT) {  // PostQuitMessage of a window of the thread
    if (!quit) quitCode = static_cast<int>(msg.wParam);
    quit = true;
    return false;
  }
  for (const auto& filter : preTranslate)
    if (filter(msg)) return true;
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
  return true;
}

EventLoop::EventLoop(IClock& clock) : impl_(std::make_unique<Impl>(clock)) {}

EventLoop::~EventLoop() {
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ended = true;
  }
}

bool EventLoop::Post(std::function<void()> task) { return impl_->Post(std::move(task)); }

void EventLoop::SetTimer(uint32_t id, uint32_t periodMs, std::function<void()> task) {
  impl_->timers.Set(id, periodMs, std::move(task));
  impl_->ArmTimer();
}

void EventLoop::KillTimer(uint32_t id) {
  impl_->timers.Kill(id);
  impl_->ArmTimer();
}

int EventLoop::Run() {
  Impl& i = *impl_;
  MSG msg;
  while (!i.quit) {
    while (!i.quit && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      if (!i.Dispatch(msg)) break;
    if (i.quit) break;
    // WM_TIMER comes late or not at all while the thread is busy; the
    // clock decides.
    i.FireTimers();
    if (i.quit) break;
    const auto next = i.timers.NextDueIn();
    ::MsgWaitForMultipleObjectsEx(0, nullptr, next ? *next : INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  {
    std::lock_guard<std::mutex> lock(i.mutex);
    i.ended = true;
  }
  return i.quitCode;
}

void EventLoop::Quit(int code) {
  impl_->quitCode = code;
  impl_->quit = true;
  // Only a wake-up: a WM_QUIT would outlive this loop in the thread's
  // queue and end the next one, or a message box, at once.
  if (impl_->hidden) ::PostMessageW(impl_->hidden, kTaskMessage, 0, 0);
}

void EventLoop::RunPending() {
  Impl& i = *impl_;
  i.RunTasks();
  i.FireTimers();
  MSG msg;
  // What is queued now, not what keeps arriving.
  for (int n = 0; n < 1000 && !i.quit && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++n)
    if (!i.Dispatch(msg)) break;
}

IClock& EventLoop::Clock() { return impl_->clock; }

}  // namespace vard::platform
