#include "common/platform/Environment.h"

#include <windows.h>

#include <cstdlib>

namespace vard::platform {

std::optional<std::string> GetEnv(const char* name) {
  const char* v = std::getenv(name);
  if (!v) return std::nullopt;
  return std::string(v);
}

void SetEnv(const char* name, const char* value) {
  // Both the C runtime's copy (read by GetEnv) and the process block.
  std::string entry = std::string(name) + "=" + (value ? value : "");
  ::_putenv(entry.c_str());
  ::SetEnvironmentVariableA(name, value);
}

int OsMajorVersion() {
  if (auto v = GetEnv("VARDEL_OS_MAJOR"); v && !v->empty()) return std::atoi(v->c_str());
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExW(&info)) return 5;
#pragma GCC diagnostic pop
  return static_cast<int>(info.dwMajorVersion);
}

std::string AnsiCodePageName() { return std::to_string(::GetACP()); }

namespace {
bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(which), &mode) != 0;
}
}  // namespace

bool StandardOutputIsTerminal() { return IsConsole(STD_OUTPUT_HANDLE); }
bool StandardInputIsTerminal() { return IsConsole(STD_INPUT_HANDLE); }

}  // namespace vard::platform
