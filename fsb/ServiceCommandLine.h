#pragma once
// vardfsb's command line: each argument is "-" or "/" and a word, compared
// without regard to case. Of several modes the smallest wins.
#include <cstdint>
#include <string>
#include <vector>

namespace vard::fsb {

enum class ServiceMode : uint8_t { kUninstall = 0, kInstall = 1, kConsole = 2, kStop = 3, kStart = 4, kNone = 255 };

struct ServiceCommand {
  enum class Action { kRun, kHelp, kInvalid };
  Action action = Action::kRun;
  ServiceMode mode = ServiceMode::kNone;
  std::string invalidArgument;  // as given, for the invalid-value line
};

// `args` without the program name, as the system passed them.
ServiceCommand ParseServiceCommandLine(const std::vector<std::string>& args);

}  // namespace vard::fsb
