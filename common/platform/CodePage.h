#pragma once
// Conversions between UTF-16 and the ANSI code page of the thread (Win32:
// CP_THREAD_ACP; POSIX: $VARDEL_ACP, else the locale's codeset, UTF-8 for
// C/POSIX). Characters the code page cannot hold become "?", as Windows does.
#include <string>
#include <string_view>

namespace vard::platform {

std::string Utf16ToAnsi(std::u16string_view text);
std::u16string AnsiToUtf16(std::string_view bytes);

}  // namespace vard::platform
