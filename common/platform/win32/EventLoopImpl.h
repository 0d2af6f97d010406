#pragma once
// Win32 backend only: the inside of an EventLoop, for the windows and
// dialogs of its thread.
#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "common/platform/EventLoop.h"
#include "common/platform/TimerQueue.h"

namespace vard::platform {

struct EventLoop::Impl {
  explicit Impl(IClock& c);
  ~Impl();

  // Asked in order before a message is translated and dispatched; one that
  // returns true has handled it (IsDialogMessage and accelerators).
  std::vector<std::function<bool(MSG&)>> preTranslate;

  // The module our window classes belong to: this library may live in a
  // DLL as well as in a program.
  static HINSTANCE Module();

  bool Post(std::function<void()> task);
  void RunTasks();
  void FireTimers();
  // Sets the wake-up of the hidden window to the earliest timer.
  void ArmTimer();
  // Translates and dispatches one message. False for WM_QUIT.
  bool Dispatch(MSG& msg);

  static LRESULT CALLBACK HiddenProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  IClock& clock;
  TimerQueue timers;
  // Message-only: tasks and timers reach the thread through it, so they run
  // inside any modal loop (a message box) as well.
  HWND hidden = nullptr;
  bool armed = false;

  std::mutex mutex;  // guards tasks, signalled and ended
  std::deque<std::function<void()>> tasks;
  bool signalled = false;  // a task message is on its way
  bool ended = false;
  std::atomic<bool> quit{false};
  std::atomic<int> quitCode{0};
};

}  // namespace vard::platform
