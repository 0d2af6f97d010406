// vardkt5-bridge: the native messaging host that serves the download
// control to pages in a browser, one control per page connection.
// `vardkt5-bridge -install` writes the host manifest beside the program and
// names it for the browsers of the current user; `-manifest PATH` prints
// the manifest for a host started as PATH (a launcher, on POSIX), and
// `-manifest-firefox PATH` Firefox's. Otherwise it serves only the browser
// that started it for our extension (the arguments name the caller).
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/platform/Http.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/MessageStreams.h"
#include "common/text/Utf.h"
#include "tools/bridge/BridgeServices.h"
#include "tools/bridge/BridgeSession.h"
#include "tools/bridge/Framing.h"
#include "tools/bridge/HostInstall.h"

int main(int argc, char** argv) {
  using namespace vard::bridge;
  if (argc > 1 && (std::strcmp(argv[1], "-install") == 0 || std::strcmp(argv[1], "--install") == 0)) {
    if (!BrowsersReadTheRegistry()) {
      std::fputs("vardkt5-bridge: browsers here read manifest files: use scripts/install-browser-bridge.sh\n", stderr);
      return 2;
    }
    std::string error;
    const std::u16string program = vard::platform::ModulePath();
    if (!InstallForCurrentUser(program, &error)) {
      std::fprintf(stderr, "vardkt5-bridge: %s\n", error.c_str());
      return 1;
    }
    std::printf("installed %s for %s\n", kHostName, vard::Utf16ToUtf8(program).c_str());
    return 0;
  }
  if (argc > 2 && (std::strcmp(argv[1], "-manifest") == 0 || std::strcmp(argv[1], "-manifest-firefox") == 0)) {
    const auto family =
        std::strcmp(argv[1], "-manifest-firefox") == 0 ? BrowserFamily::kFirefox : BrowserFamily::kChromium;
    std::fputs(HostManifest(vard::Utf8ToUtf16(argv[2]), family).c_str(), stdout);
    return 0;
  }
  // Any other arguments are the browser's: it names who asked for the host.
  // The manifest names our extension, but anyone may start the program.
  if (!CalledByOurExtension(std::vector<std::string_view>(argv + 1, argv + argc))) {
    std::fprintf(stderr, "vardkt5-bridge: started by %.200s, not by the vardel extension: refused\n",
                 argc > 1 ? argv[1] : "no browser");
    return 3;
  }
  PrepareProcess();
  // A page's download may be loading the HTTP stack when the browser goes:
  // the host leaves main only once that load is over.
  const vard::platform::HttpLoadScope http(false);
  auto channel = vard::platform::TakeStandardStreams();
  FrameReader reader(*channel);
  FrameWriter writer(*channel);
  // Set by whichever thread sends first into a closed connection: the reader's
  // (answers) or a download's worker (progress lines).
  std::atomic<bool> browserGone = false;
  BridgeSession* current = nullptr;
  BridgeSession session(
      [&current] {
        return BridgeServices([&current](const std::string& line) {
          if (current) current->Progress(line);
        });
      },
      [&writer, &browserGone](const std::string& text) {
        if (!writer.Write(text)) browserGone = true;
      });
  current = &session;
  std::string body;
  while (!browserGone) {
    const FrameRead read = reader.Read(body);
    if (read == FrameRead::kFrame) {
      session.Handle(body);
    } else if (read == FrameRead::kTooLong) {
      session.Refuse("a message of " + std::to_string(reader.RefusedLength()) + " bytes is longer than " +
                     std::to_string(kMaxFrame) + " bytes");
    } else {
      break;  // the browser closed the connection (or cut a message short)
    }
  }
  return 0;
}
