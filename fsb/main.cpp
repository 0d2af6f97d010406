// vardfsb: the file service broker. This first form runs the pipe server
// in console mode when given "-" or "/" and the console-mode GUID.
#include <chrono>
#include <cstdio>
#include <thread>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/text/CaseFold.h"
#include "common/text/Utf.h"
#include "fsb/BrokerServer.h"

int main(int argc, char** argv) {
  using namespace vard;
  bool console = false;
  for (int i = 1; i < argc; ++i) {
    const std::u16string arg = Utf8ToUtf16(argv[i]);
    if (arg.size() >= 2 && (arg[0] == u'-' || arg[0] == u'/') &&
        EqualsIgnoreCase(std::u16string_view(arg).substr(1), fsb::kConsoleModeGuid)) {
      console = true;
      continue;
    }
    std::printf("Invalid Value: %s\n", argv[i]);
    return -1;
  }
  if (!console) return -1;  // the service modes come with the service host
  fsb::BrokerServer server({false, {}, fsb::EndConsoleBroker});
  if (!server.Start()) return -1;
  // Console mode ends only through a shutdown request.
  for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(500));
}
