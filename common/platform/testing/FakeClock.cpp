#include "common/platform/testing/FakeClock.h"

#include <algorithm>

namespace vard::platform::testing {
namespace {

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2));
}

}  // namespace

FakeClock::FakeClock(UtcTime start, uint32_t startTick) : start_(start), startTick_(startTick) {}

uint32_t FakeClock::TickCount() {
  std::lock_guard lock(mutex_);
  return static_cast<uint32_t>(startTick_ + now_);
}

int64_t FakeClock::PerfCounter() {
  std::lock_guard lock(mutex_);
  return static_cast<int64_t>(now_) * (kPerfFrequency / 1000);
}

void FakeClock::Sleep(uint32_t milliseconds) {
  {
    std::lock_guard lock(mutex_);
    sleeps_.push_back(milliseconds);
  }
  Advance(milliseconds);
}

UtcTime FakeClock::UtcNow() {
  const uint64_t elapsed = Elapsed();
  const int64_t startMs =
      ((DaysFromCivil(start_.year, start_.month, start_.day) * 24 + start_.hour) * 60 + start_.minute) * 60000 +
      start_.second * 1000 + start_.milliseconds;
  const int64_t ms = startMs + static_cast<int64_t>(elapsed);
  const int64_t days = (ms >= 0 ? ms : ms - 86399999) / 86400000;
  const int64_t inDay = ms - days * 86400000;
  UtcTime t;
  CivilFromDays(days, &t.year, &t.month, &t.day);
  t.hour = static_cast<int>(inDay / 3600000);
  t.minute = static_cast<int>(inDay / 60000 % 60);
  t.second = static_cast<int>(inDay / 1000 % 60);
  t.milliseconds = static_cast<int>(inDay % 1000);
  return t;
}

void FakeClock::Advance(uint64_t milliseconds) {
  std::unique_lock lock(mutex_);
  const uint64_t target = now_ + milliseconds;
  // Each due action runs at its own moment and without the lock: it may
  // read the clock, schedule more actions or wake other threads.
  while (!actions_.empty() && actions_.begin()->first <= target) {
    auto node = actions_.extract(actions_.begin());
    now_ = std::max(now_, node.key());
    lock.unlock();
    node.mapped()();
    lock.lock();
  }
  now_ = std::max(now_, target);
}

void FakeClock::At(uint64_t atMs, std::function<void()> action) {
  std::lock_guard lock(mutex_);
  actions_.emplace(atMs, std::move(action));
}

uint64_t FakeClock::Elapsed() const {
  std::lock_guard lock(mutex_);
  return now_;
}

std::vector<uint32_t> FakeClock::Sleeps() const {
  std::lock_guard lock(mutex_);
  return sleeps_;
}

}  // namespace vard::platform::testing
