#pragma once
// Tests only: what a user or the system does to a window of another
// process, which the programs themselves never ask of one.
#include <cstdint>

#include "common/platform/WindowMessenger.h"

namespace vard::platform::testing {

// The window's close box (WM_CLOSE with `wParam`); waits until handled.
bool RequestClose(const WindowRef& window, uintptr_t wParam);
// A press of the button `controlId` (WM_COMMAND); waits until handled.
bool PressButton(const WindowRef& window, int controlId);

}  // namespace vard::platform::testing
