#include <filesystem>
#include <fstream>

#include "common/http/testing/HostileServer.h"
#include "common/http/testing/TestServer.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Environment.h"

namespace vard::http_tests {
namespace {

http_testing::TestServer& Server() {
  static http_testing::TestServer server;
  return server;
}

// The test authority in a file the HTTP service is pointed at; removed
// when the program ends.
class TrustedAuthority {
 public:
  TrustedAuthority() {
    const std::string& pem = Server().AuthorityPem();
    path_ = std::filesystem::temp_directory_path() /
            ("vard-test-authority-" + std::to_string(Server().TlsPort()) + ".pem");
    std::ofstream(path_, std::ios::binary) << pem;
    platform::SetEnv("CURL_CA_BUNDLE", path_.c_str());
  }
  ~TrustedAuthority() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }

 private:
  std::filesystem::path path_;
};

static_assert(static_cast<int>(Tls::kSelfSigned) == static_cast<int>(http_testing::TlsKind::kSelfSigned) &&
              static_cast<int>(Tls::kWrongName) == static_cast<int>(http_testing::TlsKind::kWrongName));

}  // namespace

uint16_t ServerPort() { return Server().Port(); }

uint16_t HostilePort() {
  static http_testing::HostileServer hostile;
  return hostile.Port();
}

uint16_t TlsPort(Tls kind) {
  static const TrustedAuthority trust;
  return Server().TlsPort(static_cast<http_testing::TlsKind>(kind));
}

}  // namespace vard::http_tests
