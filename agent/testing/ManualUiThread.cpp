#include "agent/testing/ManualUiThread.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace vard::testing {

bool ManualUiThread::Post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (ended_) return false;
  tasks_.push_back(std::move(task));
  return true;
}

void ManualUiThread::SetTimer(uint32_t id, uint32_t periodMs, std::function<void()> task) {
  std::lock_guard<std::mutex> lock(mutex_);
  timers_[id] = Timer{periodMs, clock_.TickCount() + periodMs, std::move(task)};
}

void ManualUiThread::KillTimer(uint32_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  timers_.erase(id);
}

bool ManualUiThread::HasTimer(uint32_t id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timers_.count(id) != 0;
}

void ManualUiThread::End() {
  std::lock_guard<std::mutex> lock(mutex_);
  ended_ = true;
  tasks_.clear();
}

size_t ManualUiThread::RunPending() {
  size_t ran = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (tasks_.empty()) break;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    const int64_t start = clock_.PerfCounter();
    task();
    load_.busyTicks += clock_.PerfCounter() - start;
    ++load_.tasks;
    ++ran;
  }
  // Timers due now, each once per round; one may kill another.
  std::vector<uint32_t> due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint32_t now = clock_.TickCount();
    for (const auto& [id, t] : timers_)
      if (static_cast<int32_t>(now - t.due) >= 0) due.push_back(id);
  }
  for (uint32_t id : due) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = timers_.find(id);
      if (it == timers_.end()) continue;
      it->second.due = clock_.TickCount() + it->second.period;
      task = it->second.task;
    }
    const int64_t start = clock_.PerfCounter();
    task();
    const int64_t took = clock_.PerfCounter() - start;
    load_.busyTicks += took;
    load_.timerTicks += took;
    load_.longestTimerTicks = std::max(load_.longestTimerTicks, took);
    ++load_.timerCalls;
    ++ran;
  }
  return ran;
}

bool ManualUiThread::PumpUntil(const std::function<bool()>& done, uint64_t maxRounds) {
  for (uint64_t i = 0; i < maxRounds; ++i) {
    RunPending();
    if (done()) return true;
    std::this_thread::yield();
  }
  return false;
}

}  // namespace vard::testing
