#pragma once
// Another process asks a program window for its dump with WM_COPYDATA: the
// request carries no bytes and the asker's reply window in wParam; the
// window answers with a WM_COPYDATA of the dump's UTF-8 to that window
// while the asker still waits. Neither code is let through from lower
// integrity: a protected page never reads the agent's list.
#include <cstdint>

namespace vard::platform::win32 {

inline constexpr uintptr_t kDumpRequest = 0x76644452;  // "vdDR"
inline constexpr uintptr_t kDumpReply = 0x76644441;    // "vdDA"

}  // namespace vard::platform::win32
