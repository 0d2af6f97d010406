#pragma once
// POSIX backend only: the inside of an EventLoop, which the loop's program
// windows use to have their sockets watched.
#include <atomic>
#include <cstdint>
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

  // Loop thread: calls `onReady` whenever `fd` can be read (or its peer
  // hung up) until Unwatch. Either may be called from inside a callback.
  void Watch(int fd, std::function<void()> onReady);
  void Unwatch(int fd);

  bool Post(std::function<void()> task);
  void Wake();
  // Runs the tasks queued now, up to a Quit. False once quit.
  bool RunTasks();
  // Waits up to `timeoutMs` (-1: no limit) for a descriptor and serves the
  // ready ones. True when any was served.
  bool Serve(int timeoutMs);
  int TimeoutToNextTimer();

  struct Watched {
    int fd;
    uint64_t serial;  // a closed and reused descriptor is another watch
    std::function<void()> onReady;
  };

  IClock& clock;
  TimerQueue timers;
  int wakeFd = -1;
  std::vector<Watched> watched;
  uint64_t nextSerial = 1;

  std::mutex mutex;  // guards tasks and ended
  std::deque<std::function<void()>> tasks;
  bool ended = false;
  std::atomic<bool> quit{false};
  std::atomic<int> quitCode{0};
};

}  // namespace vard::platform
