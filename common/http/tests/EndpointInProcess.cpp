#include "common/http/testing/TestServer.h"
#include "common/http/tests/TestEndpoint.h"

namespace vard::http_tests {

uint16_t ServerPort() {
  static http_testing::TestServer server;
  return server.Port();
}

}  // namespace vard::http_tests
