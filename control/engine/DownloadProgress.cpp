#include "control/engine/DownloadProgress.h"

#include <algorithm>
#include <cmath>

namespace vard {
namespace {

// A limit wait sleeps in steps this long, so a cancel is seen quickly.
constexpr uint32_t kSleepStepMs = 50;

int64_t SaturatingAdd(int64_t a, int64_t b) {
  if (b > 0 && a > INT64_MAX - b) return INT64_MAX;
  if (b < 0 && a < INT64_MIN - b) return INT64_MIN;
  return a + b;
}

}  // namespace

int32_t Percent(int64_t done, int64_t total) {
  if (total <= 0 || done <= 0) return 0;
  const double p = static_cast<double>(done) / static_cast<double>(total) * 100.0;
  return p >= 100.0 ? 100 : static_cast<int32_t>(p);
}

DownloadProgress::DownloadProgress(platform::IClock& clock, uint32_t limitRateKB, RunHold* hold)
    : clock_(clock),
      hold_(hold),
      limitBytesPerSecond_(static_cast<double>(limitRateKB) * 1024.0),
      frequency_(std::max<int64_t>(1, clock.PerfFrequency())) {}

void DownloadProgress::Start() {
  std::lock_guard lock(mutex_);
  lastCounter_ = clock_.PerfCounter();
}

double DownloadProgress::SecondsSince(int64_t counter) const {
  return static_cast<double>(counter - lastCounter_) / static_cast<double>(frequency_);
}

void DownloadProgress::SetRunTotal(int64_t total) {
  std::lock_guard lock(mutex_);
  s_.allTotal = total;
  s_.allPercent = Percent(s_.allDone, s_.allTotal);
}

void DownloadProgress::BeginItem(int64_t itemSize) {
  std::lock_guard lock(mutex_);
  s_.currentDone = 0;
  s_.currentTotal = itemSize;
  s_.currentPercent = 0;
}

void DownloadProgress::ChangeItemSize(int64_t newSize) {
  std::lock_guard lock(mutex_);
  s_.allTotal = SaturatingAdd(s_.allTotal, SaturatingAdd(newSize, -s_.currentTotal));
  s_.currentTotal = newSize;
  s_.currentPercent = Percent(s_.currentDone, s_.currentTotal);
  s_.allPercent = Percent(s_.allDone, s_.allTotal);
}

void DownloadProgress::AddProgress(int64_t fileDelta, int64_t rateDelta) {
  int64_t held = 0;
  if (hold_) {
    const int64_t before = clock_.PerfCounter();
    if (hold_->Pass()) held = clock_.PerfCounter() - before;
  }
  std::unique_lock lock(mutex_);
  lastCounter_ += held;
  int64_t now = clock_.PerfCounter();
  const int64_t n = SaturatingAdd(s_.currentDone, fileDelta);
  if (n > s_.currentTotal) {
    s_.allTotal = SaturatingAdd(s_.allTotal, n - s_.currentTotal);
    s_.currentTotal = n;
  }
  s_.currentDone = n;
  s_.allDone = SaturatingAdd(s_.allDone, fileDelta);
  s_.currentPercent = Percent(s_.currentDone, s_.currentTotal);
  s_.allPercent = Percent(s_.allDone, s_.allTotal);
  if (rateDelta == 0) {
    lastCounter_ = now;
    return;
  }
  rateBytes_ = SaturatingAdd(rateBytes_, rateDelta);
  double t = s_.elapsedSeconds + SecondsSince(now);
  double rate = t > 0 ? static_cast<double>(rateBytes_) / t : 0;
  if (limitBytesPerSecond_ > 0 && (rate > limitBytesPerSecond_ || t <= 0)) {
    // Until the average since the start has come down to the limit. The
    // wait happens outside the lock so the dialog keeps reading counters.
    const double waitMs = std::min((static_cast<double>(rateBytes_) / limitBytesPerSecond_ - t) * 1000.0, 4.0e9);
    lock.unlock();
    for (uint32_t remaining = waitMs > 0 ? static_cast<uint32_t>(waitMs) : 0; remaining > 0 && !interrupted_;) {
      const uint32_t step = std::min(remaining, kSleepStepMs);
      clock_.Sleep(step);
      remaining -= step;
    }
    lock.lock();
    now = clock_.PerfCounter();
    t = s_.elapsedSeconds + SecondsSince(now);
    rate = t > 0 ? static_cast<double>(rateBytes_) / t : 0;
  }
  s_.elapsedSeconds = t;
  s_.bytesPerSecond = rate;
  lastCounter_ = now;
}

ProgressSnapshot DownloadProgress::Snapshot() const {
  std::lock_guard lock(mutex_);
  return s_;
}

}  // namespace vard
