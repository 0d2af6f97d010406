#include "agent/jobs/RateLimitSleep.h"

#include <algorithm>

namespace vard {

RateLimitSleep::RateLimitSleep(platform::IClock& clock, int32_t limitKB)
    : clock_(clock), limit_(limitKB > 0 ? limitKB * 1024.0 : 0) {}

uint32_t RateLimitSleep::BlockCap() const {
  if (!Limited()) return UINT32_MAX;
  return static_cast<uint32_t>(std::max(limit_ / 50, 512.0));
}

void RateLimitSleep::Count(int64_t bytes, double seconds) {
  bytes_ += bytes;
  seconds_ += seconds;
}

uint32_t RateLimitSleep::Delay() const {
  if (!Limited() || bytes_ <= 0) return 0;
  const double ahead = bytes_ / limit_ - seconds_;
  if (ahead <= 0) return 0;
  return static_cast<uint32_t>(std::min(ahead * 1000, 3600000.0));
}

double RateLimitSleep::Sleep(const std::function<bool()>& keepWaiting) {
  const uint32_t delay = Delay();
  if (delay == 0) return 0;
  const int64_t start = clock_.PerfCounter();
  const uint32_t tick = clock_.TickCount();
  for (uint32_t step = 0; step < delay && clock_.MillisecondsSince(tick) < delay && keepWaiting(); ++step)
    clock_.Sleep(1);
  const double seconds = static_cast<double>(clock_.PerfCounter() - start) / clock_.PerfFrequency();
  seconds_ += seconds;
  return seconds;
}

}  // namespace vard
