#pragma once
// A UI thread for tests and benchmarks: tasks and timers wait until the
// owner's thread runs them with RunPending (timers are due by the clock, so
// a fake clock's time decides). Post is safe from any thread.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "agent/views/UiThread.h"

namespace vard::testing {

class ManualUiThread final : public IUiThread {
 public:
  explicit ManualUiThread(platform::IClock& clock) : clock_(clock) {}

  bool Post(std::function<void()> task) override;
  void SetTimer(uint32_t id, uint32_t periodMs, std::function<void()> task) override;
  void KillTimer(uint32_t id) override;
  platform::IClock& Clock() override { return clock_; }

  // Runs the posted tasks (also those they post) and the due timers; the
  // number of tasks and timer calls run.
  size_t RunPending();
  // Runs pending work until `done` answers true; real time, no sleeping.
  // False when `maxRounds` rounds passed first.
  bool PumpUntil(const std::function<bool()>& done, uint64_t maxRounds = 200000000);
  bool HasTimer(uint32_t id) const;
  // Closes the loop: later posts are refused.
  void End();

  // Time spent running tasks and timers, in performance-counter ticks of
  // the clock (for benchmarks).
  struct Load {
    int64_t busyTicks = 0;
    int64_t timerTicks = 0;
    int64_t longestTimerTicks = 0;
    size_t timerCalls = 0;
    size_t tasks = 0;
  };
  Load Measured() const { return load_; }

 private:
  struct Timer {
    uint32_t period;
    uint32_t due;
    std::function<void()> task;
  };
  platform::IClock& clock_;
  mutable std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  std::map<uint32_t, Timer> timers_;
  bool ended_ = false;
  Load load_;
};

}  // namespace vard::testing
