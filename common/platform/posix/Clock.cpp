#include "common/platform/Clock.h"
#include "common/platform/LocalTimeText.h"

#include <time.h>

#include <cstdio>
#include <thread>

namespace vard::platform {
namespace {

class PosixClock final : public IClock {
 public:
  uint32_t TickCount() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000);
  }
  int64_t PerfCounter() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
  }
  int64_t PerfFrequency() override { return 1000000000LL; }
  void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  UtcTime UtcNow() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    gmtime_r(&ts.tv_sec, &t);
    return UtcTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                   t.tm_min,         t.tm_sec,     static_cast<int>(ts.tv_nsec / 1000000)};
  }
};

}  // namespace

IClock& SystemClock() {
  static PosixClock clock;
  return clock;
}

UtcTime LocalCalendarTime(int64_t secondsSince1970) {
  const time_t seconds = static_cast<time_t>(secondsSince1970);
  tm t{};
  if (!localtime_r(&seconds, &t)) return UtcTime{};
  return UtcTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, 0};
}

std::u16string LongDateAndTime(const UtcTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d, %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

}  // namespace vard::platform
