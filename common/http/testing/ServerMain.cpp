// The loopback test server as a program, for test programs that cannot host
// it themselves (Windows programs under Wine). Writes its ports to a file,
// "<recording> <direct> <pid> <tls> <tls self-signed> <tls wrong name>
// <hostile>" (HostileServer.h),
// the test authority's certificate to another (PEM), and exits on /_quit,
// SIGTERM or after its lifetime.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

#include "common/http/testing/HostileServer.h"
#include "common/http/testing/TestServer.h"

namespace {
volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

// Written whole, then renamed: readers never see half a file.
void WriteWhole(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp";
  if (FILE* f = std::fopen(temp.c_str(), "w")) {
    std::fputs(text.c_str(), f);
    std::fclose(f);
    std::rename(temp.c_str(), path.c_str());
  }
}

// A server started after this one was told to stop may have written the
// same port file already: only this server's own text is removed.
void RemoveIfHolds(const std::string& path, const std::string& text) {
  std::string held;
  if (FILE* f = std::fopen(path.c_str(), "r")) {
    char buffer[256];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) held.append(buffer, n);
    std::fclose(f);
  }
  if (held == text) std::remove(path.c_str());
}
}  // namespace

int main(int argc, char** argv) {
  std::string portFile, authorityFile;
  long lifetime = 300;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--port-file") == 0) portFile = argv[i + 1];
    if (std::strcmp(argv[i], "--ca-file") == 0) authorityFile = argv[i + 1];
    if (std::strcmp(argv[i], "--lifetime") == 0) lifetime = std::atol(argv[i + 1]);
  }
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);
  using vard::http_testing::TlsKind;
  vard::http_testing::TestServer server;
  vard::http_testing::HostileServer hostile;
  const std::string text =
      std::to_string(server.Port()) + " " + std::to_string(server.DirectPort()) + " " +
      std::to_string(getpid()) + " " + std::to_string(server.TlsPort(TlsKind::kTrusted)) + " " +
      std::to_string(server.TlsPort(TlsKind::kSelfSigned)) + " " +
      std::to_string(server.TlsPort(TlsKind::kWrongName)) + " " + std::to_string(hostile.Port()) + "\n";
  // The authority first: whoever sees the port file may use it at once.
  if (!authorityFile.empty()) WriteWhole(authorityFile, server.AuthorityPem());
  if (portFile.empty()) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
  } else {
    WriteWhole(portFile, text);
  }
  for (long tick = 0; !g_stop && !server.QuitRequested() && tick < lifetime * 10; ++tick)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (!portFile.empty()) RemoveIfHolds(portFile, text);
  if (!authorityFile.empty()) RemoveIfHolds(authorityFile, server.AuthorityPem());
  return 0;
}
