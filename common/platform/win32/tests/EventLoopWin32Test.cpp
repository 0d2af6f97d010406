// What only the Win32 loop has: a modal loop of the thread (a message box)
// that must not stop tasks and timers, the hook before dispatching, and a
// PostQuitMessage of one of the thread's windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/platform/EventLoop.h"
#include "common/platform/RespondingWait.h"
#include "common/platform/win32/EventLoopImpl.h"

namespace vard::platform {
namespace {

void CloseBox(UINT answer) {
  if (HWND box = ::FindWindowW(L"#32770", L"vard modal test")) ::PostMessageW(box, WM_COMMAND, answer, 0);
}

TEST(EventLoopWin32, TasksAndTimersRunWhileAMessageBoxIsOpen) {
  EventLoop loop;
  std::atomic<bool> posted{false}, boxClosed{false};
  int ticks = 0;
  int answer = 0;
  loop.Post([&] {
    std::thread([&] { loop.Post([&] { posted = true; }); }).join();
    loop.SetTimer(1, 20, [&] {
      // Runs inside the message box's own loop: close it once the task came.
      if (++ticks < 2 || !posted) return;
      loop.KillTimer(1);
      CloseBox(IDOK);
    });
    answer = ::MessageBoxW(nullptr, L"waiting", L"vard modal test", MB_OK | MB_SETFOREGROUND);
    boxClosed = true;
    loop.Quit(5);
  });
  // Should neither reach the box: close it with another answer.
  std::thread watchdog([&] {
    if (!SystemClock().WaitUntil([&] { return boxClosed.load(); }, 10000, 50)) CloseBox(IDCANCEL);
  });
  EXPECT_EQ(loop.Run(), 5);
  watchdog.join();
  EXPECT_EQ(answer, IDOK);
  EXPECT_TRUE(posted);
  EXPECT_GE(ticks, 2);
}

TEST(EventLoopWin32, HooksSeeMessagesBeforeTheyAreDispatched) {
  EventLoop loop;
  const UINT mine = WM_APP + 7;
  int seen = 0;
  loop.Internals().preTranslate.push_back([&](MSG& msg) {
    if (msg.message != mine) return false;
    ++seen;
    return true;
  });
  ::PostThreadMessageW(::GetCurrentThreadId(), mine, 0, 0);
  ::PostThreadMessageW(::GetCurrentThreadId(), mine, 0, 0);
  loop.RunPending();
  EXPECT_EQ(seen, 2);
}

TEST(EventLoopWin32, PostQuitMessageOfTheThreadEndsRun) {
  EventLoop loop;
  loop.Post([] { ::PostQuitMessage(9); });
  EXPECT_EQ(loop.Run(), 9);
}

// A thread that waits on a blocking call goes on with its windows' work,
// and a quit meant for its own loop outlives the wait.
TEST(EventLoopWin32, ARespondingWaitHandlesTheThreadsMessages) {
  EventLoop loop;
  std::atomic<bool> ran{false};
  RunResponding([&] {
    loop.Post([&] {
      ran = true;
      ::PostQuitMessage(4);
    });
    SystemClock().WaitUntil([&] { return ran.load(); }, 10000, 5);
  });
  EXPECT_TRUE(ran);
  EXPECT_EQ(loop.Run(), 4);
}

}  // namespace
}  // namespace vard::platform
