#pragma once
// Progress counters of one download run and its rate limit. The worker
// adds bytes and is held back here when it runs ahead of the limit; the
// dialog's timer reads a snapshot on the user-interface thread.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "common/platform/Clock.h"
#include "control/engine/RunHold.h"

namespace vard {

struct ProgressSnapshot {
  int64_t currentTotal = 0;
  int64_t currentDone = 0;
  int64_t allTotal = 0;
  int64_t allDone = 0;
  int32_t currentPercent = 0;
  int32_t allPercent = 0;
  double elapsedSeconds = 0;
  double bytesPerSecond = 0;
};

class DownloadProgress {
 public:
  // `limitRateKB`: KB (1,024 bytes) per second, 0 for no limit. `hold`,
  // when given, is passed before anything is counted.
  DownloadProgress(platform::IClock& clock, uint32_t limitRateKB, RunHold* hold = nullptr);

  // Starts the rate's time reference (the run starts).
  void Start();
  // Sum of the sizes of the run's items.
  void SetRunTotal(int64_t total);
  // A new item: its size becomes the current total.
  void BeginItem(int64_t itemSize);
  // The server announced another size for the current item.
  void ChangeItemSize(int64_t newSize);
  // `fileDelta` bytes reached the item's file; `rateDelta` of them count for
  // the rate. A call with rateDelta 0 only moves the time reference. While
  // the run is held this waits first, and the time held does not count. When
  // the run is ahead of the limit, sleeps until the average rate since the
  // start has come down to it (through the clock, in short steps, so that
  // Interrupt() ends the wait within one step).
  void AddProgress(int64_t fileDelta, int64_t rateDelta);
  // Ends a rate-limit wait early (cancel, pause); any thread.
  void Interrupt() { interrupted_ = true; }
  void ClearInterrupt() { interrupted_ = false; }

  ProgressSnapshot Snapshot() const;

 private:
  double SecondsSince(int64_t counter) const;

  platform::IClock& clock_;
  RunHold* hold_;
  const double limitBytesPerSecond_;
  const int64_t frequency_;
  std::atomic<bool> interrupted_{false};
  mutable std::mutex mutex_;
  ProgressSnapshot s_;
  int64_t rateBytes_ = 0;
  int64_t lastCounter_ = 0;
};

// Whole percent of `done` in `total`, 0 for an empty total, within 0..100.
int32_t Percent(int64_t done, int64_t total);

}  // namespace vard
