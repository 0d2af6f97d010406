#pragma once
// The system's debug output: what a debugger or a trace viewer shows.
// Win32: OutputDebugStringW. POSIX: a line on stderr, only when VARDEL_DEBUG
// is set, so that ordinary runs stay quiet.
#include <string_view>

namespace vard::platform {

// Writes one line (the line end is added).
void DebugOutput(std::u16string_view line);

}  // namespace vard::platform
