#include <array>
#include <cstdio>
#include <stdexcept>

#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Clock.h"

namespace vard::http_tests {
namespace {

// The native server's port file: "<recording port> <direct port> <pid>
// <tls port> <tls self-signed port> <tls wrong-name port> <hostile port>".
const std::array<unsigned, 7>& Ports() {
  static const std::array<unsigned, 7> ports = [] {
    std::array<unsigned, 7> p{};
    const bool found = platform::SystemClock().WaitUntil(
        [&] {
          FILE* f = std::fopen(VARD_TEST_PORT_FILE, "r");
          if (!f) return false;
          const int got =
              std::fscanf(f, "%u %u %u %u %u %u %u", &p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &p[6]);
          std::fclose(f);
          return got == 7 && p[0] != 0 && p[3] != 0;
        },
        10000, 100);
    if (!found) throw std::runtime_error("no test server port file");
    return p;
  }();
  return ports;
}

}  // namespace

uint16_t ServerPort() { return static_cast<uint16_t>(Ports()[0]); }

uint16_t HostilePort() { return static_cast<uint16_t>(Ports()[6]); }

uint16_t TlsPort(Tls kind) { return static_cast<uint16_t>(Ports()[3 + static_cast<size_t>(kind)]); }

}  // namespace vard::http_tests
