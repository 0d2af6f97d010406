#include "agent/AgentCommandLine.h"

#include "common/text/CaseFold.h"
#include "common/text/CommandLine.h"

namespace vard {

AgentOptions ParseAgentCommandLine(std::u16string_view commandLine) {
  commandLine = commandLine.substr(0, kMaxAgentCommandLine);
  AgentOptions options;
  const std::u16string mode = CommandLineValue(commandLine, u"-M");
  options.language = CommandLineValue(commandLine, u"-L");
  options.log = CommandLineValue(commandLine, u"-KTLOG");
  if (EqualsIgnoreCase(mode, u"upload"))
    options.mode = AgentMode::kUpload;
  else if (EqualsIgnoreCase(mode, u"download"))
    options.mode = AgentMode::kDownload;
  return options;
}

}  // namespace vard
