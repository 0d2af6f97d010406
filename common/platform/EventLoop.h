#pragma once
// The event loop of a user-interface thread: tasks posted from any thread,
// timers measured on the injected clock, and the requests that reach the
// thread's program windows (ProgramWindow.h), all run on the loop's thread
// one at a time. Win32: a message loop that also dispatches the thread's
// window messages; POSIX: poll on a wake-up descriptor and the windows'
// sockets.
#include <cstdint>
#include <functional>
#include <memory>

#include "common/platform/Clock.h"

namespace vard::platform {

class EventLoop {
 public:
  // Belongs to the thread that constructs it.
  explicit EventLoop(IClock& clock = SystemClock());
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Any thread: runs `task` on the loop's thread after the tasks posted
  // before it. False when the loop has ended and the task was dropped.
  bool Post(std::function<void()> task);

  // Loop thread: calls `task` every `periodMs` on the clock until KillTimer
  // or the end of the loop. Setting an id again restarts it with the new
  // period and task. A timer is due when TickCount has passed its time; the
  // loop sleeps until the earliest one (a fake clock's test runs them with
  // RunPending after stepping the clock).
  void SetTimer(uint32_t id, uint32_t periodMs, std::function<void()> task);
  void KillTimer(uint32_t id);

  // Runs until Quit; returns Quit's code.
  int Run();
  // Any thread: ends Run after the task or request being handled.
  void Quit(int code);

  // Loop thread: runs what is due now (posted tasks, due timers, waiting
  // window requests) without waiting for more. For tests.
  void RunPending();

  IClock& Clock();

  struct Impl;
  Impl& Internals() { return *impl_; }  // for the backend's windows

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vard::platform
