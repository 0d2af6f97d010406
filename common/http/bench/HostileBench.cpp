// Not a test: how long each hostile stall takes to end through CHttpFile
// with the timeouts shortened by option (2 s unless given), what it ends
// in, and how many connections a run of small files opens.
//   http_hostile_bench [timeout-ms] [files]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/http/InternetHandles.h"
#include "common/http/testing/HostileServer.h"
#include "common/text/Utf.h"

namespace {

using namespace vard;
namespace inet = platform::inet;

struct Row {
  const char* what;
  std::string path;
};

}  // namespace

int main(int argc, char** argv) {
  const uint32_t timeoutMs = argc > 1 ? static_cast<uint32_t>(std::atoi(argv[1])) : 2000;
  const int files = argc > 2 ? std::atoi(argv[2]) : 999;
  http_testing::HostileServer server;
  const std::string base = "http://127.0.0.1:" + std::to_string(server.Port());
  CInternetSession session;
  session.Open(u"VardKT5");
  for (uint32_t option : {inet::kOptionConnectTimeout, inet::kOptionSendTimeout, inet::kOptionReceiveTimeout})
    session.SetOption(option, timeoutMs);

  const Row rows[] = {
      {"silent after accept", "/silent"},
      {"header never ends", "/endless"},
      {"trickle, 1 byte per timeout + 1 s", "/trickle?every=" + std::to_string(timeoutMs + 1000)},
      {"redirect loop", "/loop?t=loop"},
      {"redirect to ftp", "/to?url=ftp%3A%2F%2F127.0.0.1%2Fx"},
  };
  std::printf("timeouts %u ms (connect, send, receive)\n", timeoutMs);
  const auto tableStart = std::chrono::steady_clock::now();
  for (const Row& row : rows) {
    const auto start = std::chrono::steady_clock::now();
    uint32_t error = 0;
    try {
      CHttpFile file;
      file.OpenUrl(session.Handle(), Utf8ToUtf16(base + row.path), u"", inet::kFlagReload);
      char buffer[4096];
      while (file.Read(buffer, sizeof buffer) > 0) {
      }
    } catch (const CInternetException& e) {
      error = e.systemError;
    }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-36s ended in %6.2f s with error %u\n", row.what, s, error);
  }
  std::printf("redirect loop: %d requests reached the server\n", server.Count("loop").second);
  std::printf("whole table: %.2f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - tableStart).count());

  // Small files one after another, a request each, as a run of the engines
  // makes them: connections the server accepted.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < files; ++i) {
    CHttpFile file;
    file.OpenUrl(session.Handle(), Utf8ToUtf16(base + "/ok?n=16384&t=files"), u"", inet::kFlagReload);
    char buffer[16384];
    while (file.Read(buffer, sizeof buffer) > 0) {
    }
  }
  const auto [connections, requests] = server.Count("files");
  std::printf("%d files of 16 KiB: %d requests over %d connections in %.2f s\n", files, requests, connections,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return 0;
}
