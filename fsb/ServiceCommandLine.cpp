#include "fsb/ServiceCommandLine.h"

#include <algorithm>
#include <string_view>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/text/Utf.h"

namespace vard::fsb {
namespace {

bool SameWord(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
           return lower(x) == lower(y);
         });
}

}  // namespace

ServiceCommand ParseServiceCommandLine(const std::vector<std::string>& args) {
  static const std::string consoleGuid = Utf16ToUtf8(kConsoleModeGuid);
  ServiceCommand command;
  for (const std::string& arg : args) {
    if (arg.size() < 2 || (arg[0] != '-' && arg[0] != '/')) {
      command.action = ServiceCommand::Action::kInvalid;
      command.invalidArgument = arg;
      return command;
    }
    const std::string_view word = std::string_view(arg).substr(1);
    ServiceMode mode;
    if (SameWord(word, "help") || word == "?") {
      command.action = ServiceCommand::Action::kHelp;
      return command;
    } else if (SameWord(word, "uninstall")) {
      mode = ServiceMode::kUninstall;
    } else if (SameWord(word, "install")) {
      mode = ServiceMode::kInstall;
    } else if (SameWord(word, consoleGuid)) {
      mode = ServiceMode::kConsole;
    } else if (SameWord(word, "stop")) {
      mode = ServiceMode::kStop;
    } else if (SameWord(word, "start")) {
      mode = ServiceMode::kStart;
    } else {
      command.action = ServiceCommand::Action::kInvalid;
      command.invalidArgument = arg;
      return command;
    }
    command.mode = std::min(command.mode, mode);
  }
  return command;
}

}  // namespace vard::fsb
