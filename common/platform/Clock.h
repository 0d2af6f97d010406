#pragma once
// Time source of the whole system. Every wait, sleep, retry, counter and
// clock read goes through an IClock handed to whoever waits (a constructor
// or function parameter), so that rate limits, countdowns, retries and
// time-outs are tested by stepping a fake clock instead of waiting. Each
// program takes SystemClock() where it wires its parts together.
#include <cstdint>
#include <functional>

namespace vard::platform {

struct UtcTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

// A time-out that never ends (the value of INFINITE).
inline constexpr uint32_t kNoTimeout = 0xFFFFFFFFu;

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

  // Asks `ready` at once and then every `pollMs` until it answers true or
  // `timeoutMs` (kNoTimeout: never) have passed, with a last question at
  // the deadline. True when it was ready. A poll rather than a notification:
  // what the system waits for is often in another process (a socket file,
  // an object's size, a child's end), and a poll runs on a fake clock
  // without real time. A cancellable wait is a poll of the cancel flag too.
  bool WaitUntil(const std::function<bool()>& ready, uint32_t timeoutMs, uint32_t pollMs);

  // Milliseconds from a TickCount() value to now, across the wrap.
  uint32_t MillisecondsSince(uint32_t tick) { return TickCount() - tick; }
};

// The real clock of the running system.
IClock& SystemClock();

// Seconds since 1970-01-01 UTC as the calendar time of the system's time
// zone, for showing a time to the user (the struct's fields, not UTC).
UtcTime LocalCalendarTime(int64_t secondsSince1970);

}  // namespace vard::platform
