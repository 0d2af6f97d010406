// MWKTPlusProc on POSIX: the transfer agent without a display. Its windows
// answer on sockets in the runtime folder.
#include <string>

#include "agent/AgentComposition.h"
#include "common/text/Utf.h"

int main(int argc, char** argv) {
  // The agent reads one command line: each argument after a blank.
  std::u16string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += u" " + vard::Utf8ToUtf16(argv[i]);
  return vard::AgentMain(commandLine);
}
