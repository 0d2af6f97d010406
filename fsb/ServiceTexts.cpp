#include "fsb/ServiceTexts.h"

#include "common/platform/ConsoleText.h"

namespace vard::fsb {

std::string HelpText() {
  return platform::ConsoleText(
      u"-help, -?: 해당 도움말을 보여준다.\n\n"
      u"-install: 서비스를 인스톨할 때 사용한다.\n"
      u"-uninstall: 서비스를 언인톨할 때 사용한다. \n"
      u"-start: 서비스를 시작 시킨다. \n"
      u"-stop: 서비스를 중지 시킨다. \n");
}

std::string InvalidValueLine(const std::string& argument) { return "Invalid Value: " + argument + "\n"; }

std::string ResultLine(std::string_view operation, const std::u16string& serviceName, uint32_t error) {
  std::string line(operation);
  line += ": [" + platform::ConsoleText(serviceName) + "] ";
  line += error == 0 ? std::string("Success") : platform::SystemMessageText(error);
  return line + "\n";
}

}  // namespace vard::fsb
