#include "common/platform/RespondingWait.h"

#include <windows.h>

#include <thread>

namespace vard::platform {

void RunResponding(const std::function<void()>& work) {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!done) {
    work();
    return;
  }
  std::thread worker([&] {
    work();
    SetEvent(done);
  });
  bool quit = false;
  int quitCode = 0;
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &done, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // A quit belongs to the loop outside this wait: kept for it.
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = static_cast<int>(msg.wParam);
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  worker.join();
  CloseHandle(done);
  if (quit) PostQuitMessage(quitCode);
}

}  // namespace vard::platform
