// The event loop as poll() on a wake-up descriptor and the watched sockets.
#include "common/platform/EventLoop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#include "common/platform/posix/EventLoopImpl.h"

namespace vard::platform {

EventLoop::Impl::Impl(IClock& c) : clock(c), timers(c) {
  wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

EventLoop::Impl::~Impl() {
  if (wakeFd >= 0) ::close(wakeFd);
}

void EventLoop::Impl::Watch(int fd, std::function<void()> onReady) {
  watched.push_back({fd, nextSerial++, std::move(onReady)});
}

void EventLoop::Impl::Unwatch(int fd) {
  std::erase_if(watched, [fd](const Watched& w) { return w.fd == fd; });
}

bool EventLoop::Impl::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (ended) return false;
    tasks.push_back(std::move(task));
  }
  Wake();
  return true;
}

void EventLoop::Impl::Wake() {
  const uint64_t one = 1;
  // A full counter still wakes the loop: nothing is lost when this fails.
  while (::write(wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

bool EventLoop::Impl::RunTasks() {
  // Only what is queued now: a task that posts again does not starve the
  // sockets and timers.
  size_t count;
  {
    std::lock_guard<std::mutex> lock(mutex);
    count = tasks.size();
  }
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
  return !quit;
}

bool EventLoop::Impl::Serve(int timeoutMs) {
  std::vector<pollfd> fds;
  std::vector<uint64_t> serials;
  fds.push_back({wakeFd, POLLIN, 0});
  serials.push_back(0);
  for (const Watched& w : watched) {
    fds.push_back({w.fd, POLLIN, 0});
    serials.push_back(w.serial);
  }
  const int n = ::poll(fds.data(), fds.size(), timeoutMs);
  if (n <= 0) return false;
  if (fds[0].revents) {
    uint64_t count;
    while (::read(wakeFd, &count, sizeof count) < 0 && errno == EINTR) {
    }
  }
  bool served = false;
  for (size_t i = 1; i < fds.size() && !quit; ++i) {
    if (!fds[i].revents) continue;
    // An earlier callback may have dropped this watch.
    auto it = std::find_if(watched.begin(), watched.end(),
                            [&](const Watched& w) { return w.serial == serials[i]; });
    if (it == watched.end()) continue;
    const auto onReady = it->onReady;  // the callback may unwatch itself
    onReady();
    served = true;
  }
  return served;
}

int EventLoop::Impl::TimeoutToNextTimer() {
  const auto next = timers.NextDueIn();
  if (!next) return -1;
  return static_cast<int>(std::min<uint32_t>(*next, INT_MAX));
}

EventLoop::EventLoop(IClock& clock) : impl_(std::make_unique<Impl>(clock)) {}

EventLoop::~EventLoop() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->ended = true;
}

bool EventLoop::Post(std::function<void()> task) { return impl_->Post(std::move(task)); }

void EventLoop::SetTimer(uint32_t id, uint32_t periodMs, std::function<void()> task) {
  impl_->timers.Set(id, periodMs, std::move(task));
}

void EventLoop::KillTimer(uint32_t id) { impl_->timers.Kill(id); }

int EventLoop::Run() {
  Impl& i = *impl_;
  while (!i.quit) {
    if (!i.RunTasks()) break;
    i.timers.FireDue();
    if (i.quit) break;
    bool queued;
    {
      std::lock_guard<std::mutex> lock(i.mutex);
      queued = !i.tasks.empty();
    }
    i.Serve(queued ? 0 : i.TimeoutToNextTimer());
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
  impl_->Wake();
}

void EventLoop::RunPending() {
  Impl& i = *impl_;
  if (!i.RunTasks()) return;
  i.timers.FireDue();
  // A connection accepted in one round has its request read in the next.
  for (int round = 0; round < 64 && !i.quit && i.Serve(0); ++round) {
  }
  i.RunTasks();
}

IClock& EventLoop::Clock() { return impl_->clock; }

}  // namespace vard::platform
