#include "control/engine/DownloadProgress.h"

#include <gtest/gtest.h>

#include <thread>

#include "control/engine/ProgressTexts.h"

namespace vard {
namespace {

// Time moves only when the code under test sleeps or the test steps it.
class SteppedClock final : public platform::IClock {
 public:
  uint32_t TickCount() override { return static_cast<uint32_t>(nanos_ / 1000000); }
  int64_t PerfCounter() override { return nanos_; }
  int64_t PerfFrequency() override { return 1000000000; }
  void Sleep(uint32_t ms) override {
    slept_ += ms;
    nanos_ += static_cast<int64_t>(ms) * 1000000;
  }
  platform::UtcTime UtcNow() override { return {}; }
  void Advance(double seconds) { nanos_ += static_cast<int64_t>(seconds * 1e9); }
  uint64_t slept_ = 0;

 private:
  int64_t nanos_ = 1000;
};

TEST(DownloadProgress, CountersFollowTheItemAndTheRun) {
  SteppedClock clock;
  DownloadProgress p(clock, 0);
  p.Start();
  p.SetRunTotal(300);
  p.BeginItem(100);
  p.AddProgress(40, 0);  // already on disk: counts for the totals, not the rate
  clock.Advance(1);
  p.AddProgress(10, 10);
  ProgressSnapshot s = p.Snapshot();
  EXPECT_EQ(s.currentDone, 50);
  EXPECT_EQ(s.allDone, 50);
  EXPECT_EQ(s.currentPercent, 50);
  EXPECT_EQ(s.allPercent, 16);
  EXPECT_DOUBLE_EQ(s.bytesPerSecond, 10.0);

  // More than announced: both totals grow with it.
  p.AddProgress(70, 70);
  s = p.Snapshot();
  EXPECT_EQ(s.currentTotal, 120);
  EXPECT_EQ(s.allTotal, 320);
  EXPECT_EQ(s.currentPercent, 100);

  // The server announced a smaller size.
  p.BeginItem(200);
  p.ChangeItemSize(50);
  EXPECT_EQ(p.Snapshot().allTotal, 170);
}

TEST(DownloadProgress, ZeroTotalsShowNoPercentAndNoFault) {
  SteppedClock clock;
  DownloadProgress p(clock, 0);
  p.Start();
  p.BeginItem(0);
  p.AddProgress(0, 0);
  EXPECT_EQ(p.Snapshot().currentPercent, 0);
  EXPECT_EQ(p.Snapshot().allPercent, 0);
  EXPECT_EQ(Percent(5, 0), 0);
  EXPECT_EQ(Percent(-5, 10), 0);
  EXPECT_EQ(Percent(INT64_MAX, 1), 100);
}

TEST(DownloadProgress, TheLimitHoldsTheAverageRateSinceTheStart) {
  SteppedClock clock;
  DownloadProgress p(clock, 100);  // 102,400 bytes a second
  p.Start();
  p.SetRunTotal(INT64_MAX);
  p.BeginItem(INT64_MAX);
  // A fast link: 8 KiB blocks arrive every millisecond.
  for (int i = 0; i < 1250; ++i) {
    clock.Advance(0.001);
    p.AddProgress(8192, 8192);
  }
  const ProgressSnapshot s = p.Snapshot();
  EXPECT_NEAR(s.elapsedSeconds, 1250 * 8192 / 102400.0, 0.01);
  EXPECT_NEAR(s.bytesPerSecond, 102400.0, 102400.0 * 0.001);
  EXPECT_EQ(RateText(s.bytesPerSecond).substr(0, 5), u"100.0");
}

TEST(DownloadProgress, AnInterruptEndsTheLimitWait) {
  SteppedClock clock;
  DownloadProgress p(clock, 1);  // 1 KB/s
  p.Start();
  p.BeginItem(1 << 20);
  p.Interrupt();
  p.AddProgress(1 << 20, 1 << 20);  // would wait about 1,024 s
  EXPECT_EQ(clock.slept_, 0u);
  p.ClearInterrupt();
  p.AddProgress(1024, 1024);
  EXPECT_GT(clock.slept_, 1000000u);
}

TEST(DownloadProgress, AHeldRunCountsNothingUntilReleasedNorTheTimeHeld) {
  SteppedClock clock;
  RunHold hold;
  DownloadProgress p(clock, 0, &hold);
  p.Start();
  p.BeginItem(100);
  clock.Advance(1);
  hold.Hold();
  std::thread worker([&] { p.AddProgress(50, 50); });
  EXPECT_TRUE(platform::SystemClock().WaitUntil([&] { return hold.WorkerWaiting(); }, 5000, 1));
  EXPECT_EQ(p.Snapshot().currentDone, 0);
  clock.Advance(60);  // a minute with the question open
  hold.Release();
  worker.join();
  const ProgressSnapshot s = p.Snapshot();
  EXPECT_EQ(s.currentDone, 50);
  EXPECT_NEAR(s.elapsedSeconds, 1.0, 0.01);
  EXPECT_NEAR(s.bytesPerSecond, 50.0, 0.5);
  EXPECT_FALSE(hold.Pass());  // released: nobody waits
}

TEST(ProgressTexts, RateBytesAndTimeLeft) {
  EXPECT_EQ(RateText(1264189.44 + 1), u"1,234.56KB");
  EXPECT_EQ(RateText(0), u"0.00KB");
  EXPECT_EQ(RateText(-5), u"0.00KB");
  EXPECT_EQ(RateText(1.0 / 0.0), u"0.00KB");
  EXPECT_EQ(ByteCountText(1048576), u"1,048,576bytes");
  EXPECT_EQ(TimeLeftText(u"Time Left", 3723 * 10, 10), u"Time Left : 01:02:03");
  EXPECT_EQ(TimeLeftText(u"\uB0A8\uC740\uC2DC\uAC04", 100, 0), u"\uB0A8\uC740\uC2DC\uAC04 : 00:00:00");
  EXPECT_EQ(TimeLeftText(u"T", -100, 10), u"T : 00:00:00");
  EXPECT_EQ(TimeLeftText(u"T", 360000, 1), u"T : 100:00:00");
}

}  // namespace
}  // namespace vard
