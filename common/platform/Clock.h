#pragma once
// Time source of the whole system. Every wait, sleep, counter and clock read
// goes through an IClock so that rate limits, countdowns and time-outs can be
// tested by stepping a fake clock instead of waiting.
#include <cstdint>

namespace vard::platform {

struct UtcTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

class IClock {
 public:
  virtual ~IClock() = default;
  // Milliseconds since an arbitrary start; wraps like GetTickCount.
  virtual uint32_t TickCount() = 0;
  // High-resolution counter and its ticks per second.
  virtual int64_t PerfCounter() = 0;
  virtual int64_t PerfFrequency() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
  virtual UtcTime UtcNow() = 0;
};

// The real clock of the running system.
IClock& SystemClock();

// The clock the process uses where no clock was passed explicitly; tests may
// swap it for a fake. Not meant to change while other threads read it.
IClock& CurrentClock();
void SetCurrentClock(IClock* clock);  // nullptr restores the system clock

}  // namespace vard::platform
