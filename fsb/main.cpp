// vardfsb: the file service broker. This first form runs the pipe server
// in console mode when given "-" or "/" and the console-mode GUID.
#include <cstdio>
#include <string>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/platform/Clock.h"
#include "common/platform/FileSystem.h"
#include "common/platform/Pipe.h"
#include "common/text/CaseFold.h"
#include "common/text/Utf.h"
#include "fsb/BrokerServer.h"

namespace {

using vard::fsb::BrokerServer;

// Why the broker cannot serve, for whoever started it by hand.
void ReportStartFailure(BrokerServer::StartResult result, const std::u16string& pipeName) {
  using vard::Utf16ToUtf8;
  namespace p = vard::platform;
  const uint32_t error = p::LastError();
  switch (result) {
    case BrokerServer::StartResult::kNoMutex:
      std::fprintf(stderr, "vardfsb: cannot make the single-instance mutex (error %u)\n", error);
      break;
    case BrokerServer::StartResult::kNoPipe:
      std::fprintf(stderr, "vardfsb: cannot serve the pipe at %s (error %u%s)\n",
                   Utf16ToUtf8(p::PipeLocation(pipeName)).c_str(), error,
                   error == p::error::kFilenameExcedRange ? ": the path is too long" : "");
      break;
    case BrokerServer::StartResult::kNoThread:
      std::fprintf(stderr, "vardfsb: cannot start the listener thread\n");
      break;
    default:
      break;
  }
}

}  // namespace

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
  platform::IClock& clock = platform::SystemClock();
  BrokerServer server({false, {}, fsb::EndConsoleBroker}, clock);
  const BrokerServer::StartResult started = server.Start();
  if (started != BrokerServer::StartResult::kServing) {
    // A second broker stops at once and quietly; anything else is a fault.
    ReportStartFailure(started, server.PipeName());
    return -1;
  }
  // Console mode ends only through a shutdown request.
  for (;;) clock.Sleep(500);
}
