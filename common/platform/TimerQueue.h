#pragma once
// The timers of one event loop: by id, measured on the loop's clock. The
// backends only decide how to sleep until NextDueIn(); which timer is due
// is decided here, the same way on every target. One thread.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "common/platform/Clock.h"

namespace vard::platform {

class TimerQueue {
 public:
  explicit TimerQueue(IClock& clock) : clock_(clock) {}

  // Starts `id` anew from now (a period of 0 counts as 1 ms, so a timer
  // never keeps the loop busy).
  void Set(uint32_t id, uint32_t periodMs, std::function<void()> task);
  void Kill(uint32_t id);
  bool Empty() const { return timers_.empty(); }

  // Milliseconds until the earliest timer is due (0: one is due now);
  // nothing when no timer runs.
  std::optional<uint32_t> NextDueIn();

  // Runs every timer that is due now, once each, and starts its next
  // period from now. A task may set or kill timers, its own too. Returns
  // how many ran.
  int FireDue();

 private:
  struct Timer {
    uint32_t start = 0;  // TickCount at the start of the period
    uint32_t period = 1;
    std::shared_ptr<std::function<void()>> task;  // alive while it runs
  };

  IClock& clock_;
  std::map<uint32_t, Timer> timers_;
};

}  // namespace vard::platform
