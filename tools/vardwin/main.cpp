// vardwin: talks to a program window of this system (the agent's main window
// or view) the way another process does.
//   vardwin CLASS send NAME WPARAM LPARAM   the registered message; prints its result
//   vardwin CLASS foreground                brings the window to the top
//   vardwin CLASS close [WPARAM]            asks the window to close
//   vardwin CLASS dump                      prints the window's state (JSON)
//   vardwin CLASS rows                      prints the rows of the dump, one per line
//   vardwin CLASS command ID                presses button ID
//   vardwin CLASS wait-rows TEXT N [S [MS]] waits (up to S seconds, 600 by
//                                           default) until N rows hold TEXT,
//                                           looking every MS ms (20)
//   vardwin CLASS REQUEST...                any other request, sent as it is (POSIX)
//   vardwin --wait S CLASS ...              first waits up to S seconds for the
//                                           window to answer
// Exit code 0 when the window answered, 1 when it did not, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "common/platform/Clock.h"
#include "common/platform/WindowMessenger.h"
#include "common/text/Utf.h"
#include "tools/vardwin/DumpRows.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: vardwin [--wait S] CLASS send NAME WPARAM LPARAM | foreground | close [WPARAM] | dump | rows"
               " | command ID | wait-rows TEXT N [S [MS]]\n");
  return 2;
}

// One process polling the dump costs a benchmark far less than a process
// started for each look.
int WaitRows(const std::u16string& windowClass, const std::string& text, size_t count, uint32_t seconds,
             uint32_t pollMs) {
  size_t holding = 0;
  const bool reached = vard::platform::SystemClock().WaitUntil(
      [&] {
        std::string reply;
        if (!vard::platform::WindowRequest(windowClass, "dump", &reply)) return false;
        holding = 0;
        for (const std::string& row : vard::DumpRows(reply)) holding += row.find(text) != std::string::npos;
        return holding >= count;
      },
      seconds * 1000, pollMs);
  if (reached) return 0;
  std::fprintf(stderr, "vardwin: %zu of %zu rows hold \"%s\" after %u s\n", holding, count, text.c_str(), seconds);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vard;
  uint32_t waitSeconds = 0;
  if (argc > 2 && std::string(argv[1]) == "--wait") {
    waitSeconds = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
    argc -= 2;
    argv += 2;
  }
  if (argc < 3) return Usage();
  const std::u16string windowClass = Utf8ToUtf16(argv[1]);
  const std::string verb = argv[2];
  std::optional<platform::WindowRef> window;
  // A window just being made is looked for often: a benchmark's start waits on it.
  platform::SystemClock().WaitUntil([&] { return (window = platform::FindProgramWindow(windowClass)).has_value(); },
                                    waitSeconds * 1000, 2);
  if (!window) {
    std::fprintf(stderr, "vardwin: no window of class %s answers\n", argv[1]);
    return 1;
  }
  if (verb == "send" && argc == 6) {
    intptr_t result = 0;
    if (!platform::SendRegisteredMessage(*window, Utf8ToUtf16(argv[3]), std::strtoull(argv[4], nullptr, 10),
                                         std::strtoll(argv[5], nullptr, 10), &result))
      return 1;
    std::printf("%lld\n", static_cast<long long>(result));
    return 0;
  }
  if (verb == "foreground" && argc == 3) return platform::BringToForeground(*window) ? 0 : 1;
  if (verb == "close" && argc <= 4)
    return platform::PostClose(*window, argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 0) ? 0 : 1;
  if (verb == "wait-rows" && argc >= 5 && argc <= 7)
    return WaitRows(windowClass, argv[3], std::strtoull(argv[4], nullptr, 10),
                    argc >= 6 ? static_cast<uint32_t>(std::strtoul(argv[5], nullptr, 10)) : 600,
                    argc == 7 ? static_cast<uint32_t>(std::strtoul(argv[6], nullptr, 10)) : 20);
  std::string request = verb == "rows" ? "dump" : verb;
  for (int i = 3; i < argc; ++i) request += std::string(" ") + argv[i];
  std::string reply;
  if (!platform::WindowRequest(windowClass, request, &reply)) {
    std::fprintf(stderr, "vardwin: the window did not answer \"%s\"\n", request.c_str());
    return 1;
  }
  if (verb == "rows") {
    for (const std::string& row : DumpRows(reply)) std::printf("%s\n", row.c_str());
  } else {
    std::printf("%s\n", reply.c_str());
  }
  return 0;
}
