// The user-interface thread's event loop: posted tasks, quitting, timers on
// a fake clock and on the real one.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "common/platform/EventLoop.h"
#include "common/platform/testing/FakeClock.h"

namespace vard::platform {
namespace {

using testing::FakeClock;

TEST(EventLoop, TasksFromSeveralThreadsRunInPostingOrderOnTheLoopThread) {
  EventLoop loop;
  constexpr int kThreads = 4, kEach = 300;
  std::vector<std::pair<int, int>> seen;  // touched on the loop thread only
  std::atomic<bool> offThread{false};
  const auto loopThread = std::this_thread::get_id();
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i)
        ASSERT_TRUE(loop.Post([&, t, i] {
          if (std::this_thread::get_id() != loopThread) offThread = true;
          seen.emplace_back(t, i);
          if (seen.size() == kThreads * kEach) loop.Quit(42);
        }));
    });
  EXPECT_EQ(loop.Run(), 42);
  for (auto& p : posters) p.join();
  EXPECT_FALSE(offThread);
  ASSERT_EQ(seen.size(), static_cast<size_t>(kThreads * kEach));
  std::vector<int> next(kThreads, 0);
  for (const auto& [t, i] : seen) EXPECT_EQ(i, next[t]++) << "thread " << t;
  // The loop has ended: later tasks are refused, not kept.
  EXPECT_FALSE(loop.Post([] {}));
}

TEST(EventLoop, QuitEndsRunAfterTheCurrentTaskAndFromAnotherThread) {
  {
    EventLoop loop;
    std::vector<int> ran;
    loop.Post([&] {
      ran.push_back(1);
      loop.Quit(3);
    });
    loop.Post([&] { ran.push_back(2); });
    EXPECT_EQ(loop.Run(), 3);
    EXPECT_EQ(ran, std::vector<int>{1});
  }
  {
    // An idle loop sleeps until another thread quits it.
    EventLoop loop;
    std::thread quitter([&] { loop.Quit(-5); });
    EXPECT_EQ(loop.Run(), -5);
    quitter.join();
  }
}

TEST(EventLoop, TasksPostedByTasksRunLater) {
  EventLoop loop;
  std::vector<int> ran;
  loop.Post([&] {
    ran.push_back(1);
    loop.Post([&] { ran.push_back(3); });
  });
  loop.Post([&] { ran.push_back(2); });
  loop.RunPending();
  loop.RunPending();
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST(EventLoop, TimersFireOnTheFakeClockWhenDue) {
  FakeClock clock;
  EventLoop loop(clock);
  int fast = 0, slow = 0;
  loop.SetTimer(1, 100, [&] { ++fast; });
  loop.SetTimer(2, 250, [&] { ++slow; });
  loop.RunPending();
  clock.Advance(99);
  loop.RunPending();
  EXPECT_EQ(fast, 0);
  clock.Advance(1);
  loop.RunPending();
  loop.RunPending();  // once per period, however often asked
  EXPECT_EQ(fast, 1);
  clock.Advance(150);
  loop.RunPending();
  EXPECT_EQ(fast, 2);
  EXPECT_EQ(slow, 1);

  // Killed: never again. Set again: its period starts anew from now.
  loop.KillTimer(1);
  loop.SetTimer(2, 40, [&] { slow += 10; });
  clock.Advance(39);
  loop.RunPending();
  EXPECT_EQ(slow, 1);
  clock.Advance(1);
  loop.RunPending();
  EXPECT_EQ(slow, 11);
  clock.Advance(500);
  loop.RunPending();
  EXPECT_EQ(fast, 2);
}

TEST(EventLoop, TimersAcrossTheTickCountWrap) {
  FakeClock clock({2026, 1, 1, 0, 0, 0, 0}, 0xFFFFFFF0u);
  EventLoop loop(clock);
  int fired = 0;
  loop.SetTimer(7, 50, [&] { ++fired; });
  clock.Advance(49);
  loop.RunPending();
  EXPECT_EQ(fired, 0);
  clock.Advance(1);
  loop.RunPending();
  EXPECT_EQ(fired, 1);
}

TEST(EventLoop, ATimerTaskMayKillOrRestartTimers) {
  FakeClock clock;
  EventLoop loop(clock);
  int a = 0, b = 0;
  loop.SetTimer(1, 10, [&] {
    ++a;
    loop.KillTimer(1);
    loop.KillTimer(2);  // due in the same round: must not run
  });
  loop.SetTimer(2, 10, [&] { ++b; });
  clock.Advance(10);
  loop.RunPending();
  clock.Advance(100);
  loop.RunPending();
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 0);
}

TEST(EventLoop, RunSleepsUntilTheNextTimerOnTheRealClock) {
  EventLoop loop;
  int ticks = 0;
  loop.SetTimer(1, 15, [&] {
    if (++ticks == 3) loop.Quit(ticks);
  });
  EXPECT_EQ(loop.Run(), 3);
}

}  // namespace
}  // namespace vard::platform
