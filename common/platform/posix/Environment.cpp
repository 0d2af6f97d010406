#include "common/platform/Environment.h"

#include <unistd.h>

#include <cstdlib>

namespace vard::platform {

std::optional<std::string> GetEnv(const char* name) {
  const char* v = std::getenv(name);
  if (!v) return std::nullopt;
  return std::string(v);
}

void SetEnv(const char* name, const char* value) {
  if (value) ::setenv(name, value, 1);
  else ::unsetenv(name);
}

int OsMajorVersion() {
  if (auto v = GetEnv("VARDEL_OS_MAJOR"); v && !v->empty()) return std::atoi(v->c_str());
  return 10;
}

std::string AnsiCodePageName() {
  if (auto v = GetEnv("VARDEL_ACP"); v && !v->empty()) return *v;
  // The locale's codeset, taken from the environment as setlocale would.
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    auto v = GetEnv(name);
    if (!v || v->empty()) continue;
    const auto dot = v->find('.');
    if (dot == std::string::npos) return "UTF-8";  // C, POSIX or a bare language
    std::string codeset = v->substr(dot + 1);
    if (const auto at = codeset.find('@'); at != std::string::npos) codeset.resize(at);
    return codeset.empty() ? "UTF-8" : codeset;
  }
  return "UTF-8";
}

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }
bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

}  // namespace vard::platform
