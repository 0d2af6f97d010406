#include "common/platform/TimerQueue.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vard::platform {

void TimerQueue::Set(uint32_t id, uint32_t periodMs, std::function<void()> task) {
  Timer& t = timers_[id];
  t.start = clock_.TickCount();
  t.period = std::max<uint32_t>(periodMs, 1);
  t.task = std::make_shared<std::function<void()>>(std::move(task));
}

void TimerQueue::Kill(uint32_t id) { timers_.erase(id); }

std::optional<uint32_t> TimerQueue::NextDueIn() {
  if (timers_.empty()) return std::nullopt;
  const uint32_t now = clock_.TickCount();
  uint32_t least = UINT32_MAX;
  for (const auto& [id, t] : timers_) {
    // Differences of tick counts stay right across the wrap.
    const uint32_t elapsed = now - t.start;
    least = std::min(least, elapsed >= t.period ? 0u : t.period - elapsed);
  }
  return least;
}

int TimerQueue::FireDue() {
  const uint32_t now = clock_.TickCount();
  std::vector<uint32_t> due;
  for (const auto& [id, t] : timers_)
    if (now - t.start >= t.period) due.push_back(id);
  int ran = 0;
  for (uint32_t id : due) {
    // An earlier task of this round may have killed or restarted it.
    auto it = timers_.find(id);
    if (it == timers_.end() || now - it->second.start < it->second.period) continue;
    it->second.start = clock_.TickCount();
    const auto task = it->second.task;
    (*task)();
    ++ran;
  }
  return ran;
}

}  // namespace vard::platform
