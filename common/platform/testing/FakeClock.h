#pragma once
// A clock for tests. Its time stands still until a Sleep or Advance moves
// it; a Sleep returns at once after moving it, so a wait of minutes takes
// no real time. Actions scheduled with At() run when the time reaches them,
// on the thread that moved it: "the peer appears after 400 ms" is one line
// of a test instead of a thread. Safe to use from several threads; their
// sleeps all move the one time forward.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "common/platform/Clock.h"

namespace vard::platform::testing {

class FakeClock final : public IClock {
 public:
  // Ticks per second of the performance counter: not 1000, so code that
  // takes counter ticks for milliseconds shows up in tests.
  static constexpr int64_t kPerfFrequency = 10000000;

  explicit FakeClock(UtcTime start = {2026, 1, 1, 0, 0, 0, 0}, uint32_t startTick = 1000);

  uint32_t TickCount() override;
  int64_t PerfCounter() override;
  int64_t PerfFrequency() override { return kPerfFrequency; }
  // Moves the time forward by `milliseconds` and returns.
  void Sleep(uint32_t milliseconds) override;
  // The start time plus the time that passed.
  UtcTime UtcNow() override;

  // Moves the time forward without counting as a sleep.
  void Advance(uint64_t milliseconds);
  // Runs `action` once the time reaches `atMs` after the start (with the
  // next move when that moment already passed).
  void At(uint64_t atMs, std::function<void()> action);

  // Milliseconds since the start.
  uint64_t Elapsed() const;
  // Every Sleep's duration, in order.
  std::vector<uint32_t> Sleeps() const;

 private:
  mutable std::mutex mutex_;
  const UtcTime start_;
  const uint32_t startTick_;
  uint64_t now_ = 0;
  std::multimap<uint64_t, std::function<void()>> actions_;
  std::vector<uint32_t> sleeps_;
};

}  // namespace vard::platform::testing
