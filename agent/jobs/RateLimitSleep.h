#pragma once
// The per-file rate limit of the download job. The rate is measured over
// the file's own transfer (bytes and seconds since its first block), so a
// fast file earlier in the run never stalls a limited one. Owned by the
// worker thread for one file.
#include <cstdint>
#include <functional>

#include "common/platform/Clock.h"

namespace vard {

class RateLimitSleep {
 public:
  // `limitKB` in KB/s, 0 or less: no limit.
  RateLimitSleep(platform::IClock& clock, int32_t limitKB);

  bool Limited() const { return limit_ > 0; }
  // Largest block worth reading at once under the limit (a fiftieth of a
  // second), so that the bytes on disk never run far ahead of the rate.
  uint32_t BlockCap() const;
  // A block of `bytes` was read and written in `seconds`.
  void Count(int64_t bytes, double seconds);
  // Milliseconds the file is ahead of its rate, truncated; 0 when not.
  uint32_t Delay() const;
  // Waits out Delay() in 1 ms sleeps, until the tick count says the time
  // has passed or as many steps were taken, or `keepWaiting` answers false.
  // Returns the seconds that passed, which also count for the rate.
  double Sleep(const std::function<bool()>& keepWaiting);

 private:
  platform::IClock& clock_;
  double limit_ = 0;  // bytes per second
  int64_t bytes_ = 0;
  double seconds_ = 0;
};

}  // namespace vard
