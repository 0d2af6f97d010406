// Waiting with a deadline, on the fake clock and on the real one, and the
// fake clock itself (other modules' tests stand on it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <atomic>
#include <thread>
#include <vector>

#include "common/platform/Clock.h"
#include "common/platform/LocalTimeText.h"
#include "common/platform/testing/FakeClock.h"

namespace vard::platform {
namespace {

using testing::FakeClock;
using Sleeps = std::vector<uint32_t>;

TEST(WaitUntil, PollsUntilTheDeadlineAndAsksOnceMoreThere) {
  FakeClock clock;
  int asked = 0;
  EXPECT_FALSE(clock.WaitUntil([&] { return ++asked, false; }, 1000, 300));
  EXPECT_EQ(clock.Elapsed(), 1000u);
  EXPECT_EQ(clock.Sleeps(), (Sleeps{300, 300, 300, 100}));  // the last sleep ends at the deadline
  EXPECT_EQ(asked, 5);

  FakeClock once;
  asked = 0;
  EXPECT_FALSE(once.WaitUntil([&] { return ++asked, false; }, 0, 10));
  EXPECT_TRUE(once.WaitUntil([] { return true; }, 0, 10));
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(once.Sleeps().empty());

  FakeClock noPoll;  // a poll of 0 still sleeps
  EXPECT_FALSE(noPoll.WaitUntil([] { return false; }, 3, 0));
  EXPECT_EQ(noPoll.Sleeps(), (Sleeps{1, 1, 1}));
}

TEST(WaitUntil, EndsAtThePollAfterTheConditionCameTrue) {
  FakeClock clock;
  std::atomic<bool> done{false};
  clock.At(450, [&] { done = true; });
  EXPECT_TRUE(clock.WaitUntil([&] { return done.load(); }, 2000, 100));
  EXPECT_EQ(clock.Elapsed(), 500u);

  // Without a time-out it waits as long as it takes.
  clock.At(500 + 3600000, [&] { done = false; });
  EXPECT_TRUE(clock.WaitUntil([&] { return !done; }, kNoTimeout, 1000));
  EXPECT_EQ(clock.Elapsed(), 500u + 3600000u);
}

TEST(WaitUntil, DeadlineHoldsAcrossTheTickCountWrap) {
  FakeClock clock({2026, 1, 1, 0, 0, 0, 0}, 0xFFFFFF00u);
  EXPECT_FALSE(clock.WaitUntil([] { return false; }, 1000, 100));
  EXPECT_EQ(clock.Elapsed(), 1000u);
  EXPECT_EQ(clock.TickCount(), 0xFFFFFF00u + 1000u);  // wrapped
  const uint32_t before = clock.TickCount();
  clock.Advance(7);
  EXPECT_EQ(clock.MillisecondsSince(before), 7u);
}

TEST(FakeClock, UtcFollowsTheCalendar) {
  FakeClock leap({2024, 2, 28, 23, 59, 59, 500});
  leap.Advance(1000);
  UtcTime t = leap.UtcNow();
  EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second, t.milliseconds}),
            (std::vector<int>{2024, 2, 29, 0, 0, 0, 500}));
  leap.Advance(86400000);
  t = leap.UtcNow();
  EXPECT_EQ((std::vector<int>{t.month, t.day}), (std::vector<int>{3, 1}));

  FakeClock newYear({2025, 12, 31, 23, 59, 59, 999});
  newYear.Sleep(1);
  t = newYear.UtcNow();
  EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second, t.milliseconds}),
            (std::vector<int>{2026, 1, 1, 0, 0, 0, 0}));

  FakeClock plain({2100, 2, 28, 12, 0, 0, 0});  // not a leap year
  plain.Advance(86400000);
  EXPECT_EQ(plain.UtcNow().month, 3);
}

TEST(FakeClock, CounterActionsAndSleepsFromSeveralThreads) {
  FakeClock clock;
  clock.Advance(3);
  EXPECT_EQ(clock.PerfCounter() * 1000 / clock.PerfFrequency(), 3);
  EXPECT_TRUE(clock.Sleeps().empty());  // Advance is not a sleep

  // Actions run in time order, each at its moment; one may schedule more,
  // and one whose moment passed runs with the next move.
  std::vector<uint64_t> seen;
  clock.At(20, [&] { seen.push_back(clock.Elapsed()); });
  clock.At(10, [&] {
    seen.push_back(clock.Elapsed());
    clock.At(15, [&] { seen.push_back(clock.Elapsed()); });
  });
  clock.At(1, [&] { seen.push_back(clock.Elapsed()); });
  clock.Sleep(30);
  EXPECT_EQ(seen, (std::vector<uint64_t>{3, 10, 15, 20}));
  EXPECT_EQ(clock.Elapsed(), 33u);

  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&] {
      for (int k = 0; k < 500; ++k) clock.Sleep(2);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(clock.Elapsed(), 33u + 4000u);
  EXPECT_EQ(clock.Sleeps().size(), 1u + 2000u);
}

TEST(SystemClock, WaitsInRealTime) {
  IClock& clock = SystemClock();
  EXPECT_GT(clock.PerfFrequency(), 0);
  EXPECT_GE(clock.UtcNow().year, 2020);

  const uint32_t start = clock.TickCount();
  EXPECT_FALSE(clock.WaitUntil([] { return false; }, 40, 10));
  EXPECT_GE(clock.MillisecondsSince(start), 40u);

  std::atomic<bool> ready{false};
  std::thread other([&] {
    SystemClock().Sleep(20);
    ready = true;
  });
  EXPECT_TRUE(clock.WaitUntil([&] { return ready.load(); }, 10000, 5));
  EXPECT_LT(clock.MillisecondsSince(start), 5000u);
  other.join();
}

}  // namespace
}  // namespace vard::platform

namespace vard::platform {
namespace {

// Whatever the machine's zone, a shown time is the UTC one moved by a whole
// number of quarter hours, at most 14 hours away.
TEST(LocalCalendarTime, IsTheUtcTimeMovedByTheZonesOffset) {
  const int64_t seconds = 1700000000;  // 2023-11-14 22:13:20 UTC
  const UtcTime local = LocalCalendarTime(seconds);
  ASSERT_GE(local.year, 2023);
  const int dayShift = local.day == 14 ? 0 : local.day == 15 ? 1 : local.day == 13 ? -1 : 99;
  ASSERT_NE(dayShift, 99) << local.day;
  EXPECT_EQ(local.month, 11);
  const int minutes = dayShift * 1440 + local.hour * 60 + local.minute - (22 * 60 + 13);
  EXPECT_EQ(minutes % 15, 0);
  EXPECT_LE(std::abs(minutes), 14 * 60);
  EXPECT_EQ(local.second, 20);
}

// The date in the user's own long form, then the time on the 24-hour clock
// with no AM/PM marker in either place.
TEST(LongDateAndTime, ReadsAsTheLocalesDateAndA24HourTime) {
  const std::u16string afternoon = LongDateAndTime({2025, 3, 4, 13, 6, 7, 0});
  EXPECT_TRUE(afternoon.ends_with(u", 13:06:07")) << std::string(afternoon.begin(), afternoon.end());
  EXPECT_NE(afternoon.find(u"2025"), std::u16string::npos);
  EXPECT_GT(afternoon.size(), std::u16string_view(u", 13:06:07").size() + 4);
  // The hour's leading zero is the locale's to choose.
  const std::u16string midnight = LongDateAndTime({2025, 3, 4, 0, 0, 5, 0});
  EXPECT_TRUE(midnight.ends_with(u":00:05"));
  EXPECT_EQ(midnight.find(u"AM"), std::u16string::npos);
}

}  // namespace
}  // namespace vard::platform
