#include <cstdio>
#include <stdexcept>

#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Clock.h"

namespace vard::http_tests {

// The native server's port file: "<recording port> <direct port> <pid>".
uint16_t ServerPort() {
  static const uint16_t port = [] {
    unsigned value = 0;
    const bool found = platform::SystemClock().WaitUntil(
        [&] {
          FILE* f = std::fopen(VARD_TEST_PORT_FILE, "r");
          if (!f) return false;
          const int got = std::fscanf(f, "%u", &value);
          std::fclose(f);
          return got == 1 && value != 0;
        },
        10000, 100);
    if (!found) throw std::runtime_error("no test server port file");
    return static_cast<uint16_t>(value);
  }();
  return port;
}

}  // namespace vard::http_tests
