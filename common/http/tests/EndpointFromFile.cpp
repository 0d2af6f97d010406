#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "common/http/tests/TestEndpoint.h"

namespace vard::http_tests {

// The native server's port file: "<recording port> <direct port> <pid>".
uint16_t ServerPort() {
  static const uint16_t port = [] {
    for (int i = 0; i < 100; ++i) {
      if (FILE* f = std::fopen(VARD_TEST_PORT_FILE, "r")) {
        unsigned value = 0;
        const int got = std::fscanf(f, "%u", &value);
        std::fclose(f);
        if (got == 1 && value) return static_cast<uint16_t>(value);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    throw std::runtime_error("no test server port file");
  }();
  return port;
}

}  // namespace vard::http_tests
