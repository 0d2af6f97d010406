#pragma once
// Plays the user of this thread's dialog boxes in tests: each step waits for
// a shown dialog whose title starts with its caption and acts on it. A step
// that waits too long fails the test and cancels the thread's dialogs, so a
// dialog that never comes (or a wrong one) cannot hang the run.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace vard::com::testing {

// Each step acts on the first shown dialog of this thread whose title
// starts with its caption; true moves on to the next step.
struct Step {
  std::wstring caption;
  std::function<bool(HWND)> act;
};

inline std::vector<Step> g_steps;
inline size_t g_next = 0;
// Ticks since the last step was taken; at the limit (30 s of ticks) the
// driver gives up.
inline int g_idleTicks = 0;
inline constexpr int kGiveUpTicks = 200;

inline BOOL CALLBACK TryStep(HWND hwnd, LPARAM) {
  if (g_next >= g_steps.size()) return FALSE;
  wchar_t cls[16] = {}, title[256] = {};
  GetClassNameW(hwnd, cls, 16);
  GetWindowTextW(hwnd, title, 256);
  if (!IsWindowVisible(hwnd) || std::wstring(cls) != L"#32770") return TRUE;
  if (std::wstring(title).rfind(g_steps[g_next].caption, 0) != 0) return TRUE;
  if (g_steps[g_next].act(hwnd)) {
    ++g_next;
    g_idleTicks = 0;
  }
  return FALSE;
}

inline BOOL CALLBACK CancelShownDialog(HWND hwnd, LPARAM) {
  wchar_t cls[16] = {};
  GetClassNameW(hwnd, cls, 16);
  if (IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770") PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

inline void CALLBACK Drive(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), &TryStep, 0);
  if (g_next >= g_steps.size() || ++g_idleTicks < kGiveUpTicks) return;
  if (g_idleTicks == kGiveUpTicks) {
    wchar_t title[256] = {};
    if (HWND shown = GetActiveWindow()) GetWindowTextW(shown, title, 256);
    ADD_FAILURE() << "no dialog \"" << g_steps[g_next].caption << "\" came (step " << g_next
                  << "); the active window is \"" << std::wstring(title) << "\"";
  }
  EnumThreadWindows(GetCurrentThreadId(), &CancelShownDialog, 0);
}

// While it lives, the steps play the user, one per tick of a thread timer
// (modal loops run it).
class DialogDriver {
 public:
  explicit DialogDriver(std::vector<Step> steps) {
    g_steps = std::move(steps);
    g_next = 0;
    g_idleTicks = 0;
    timer_ = SetTimer(nullptr, 0, 150, &Drive);
  }
  ~DialogDriver() { KillTimer(nullptr, timer_); }
  size_t Done() const { return g_next; }

 private:
  UINT_PTR timer_;
};

inline std::function<bool(HWND)> Click(int id) {
  return [id](HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    return true;
  };
}

}  // namespace vard::com::testing
