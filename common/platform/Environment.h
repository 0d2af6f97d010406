#pragma once
// Process-wide facts the programs branch on: the OS major version and the
// ANSI code page. On POSIX they come from the environment so that both
// branches of the system can be exercised on one machine.
#include <optional>
#include <string>

namespace vard::platform {

// Value of an environment variable, or nothing when unset.
std::optional<std::string> GetEnv(const char* name);
// Sets (or with nullptr removes) a variable of this process.
void SetEnv(const char* name, const char* value);

// Major version of the running system (5 for XP, 6 for Vista/7, 10 ...).
// VARDEL_OS_MAJOR overrides it on every target, so tests can pick a branch.
int OsMajorVersion();

// Whether standard output / input is an interactive terminal (a console on
// Windows): the console views draw live lines and ask questions only there.
bool StandardOutputIsTerminal();
bool StandardInputIsTerminal();

// Name of the ANSI code page in use, as iconv or Windows knows it
// ("CP949", "UTF-8", "1252" ...). Informational; conversions live in
// CodePage.h.
std::string AnsiCodePageName();

}  // namespace vard::platform
