#pragma once
// Text for the console: UTF-16 made bytes of the console's output code page
// (Win32: GetConsoleOutputCP, the ANSI code page without a console; POSIX:
// the ANSI code page stand-in), and the system's message text of an error.
#include <cstdint>
#include <string>
#include <string_view>

namespace vard::platform {

std::string ConsoleText(std::u16string_view text);

// The system's text for a Win32 error number, as FormatMessageA gives it
// (POSIX: the texts of the errors the stand-ins report), in the console's
// code page. Empty for a number the system has no text for.
std::string SystemMessageText(uint32_t code);

}  // namespace vard::platform
