#include "common/http/tests/TestEndpoint.h"

#include "common/http/InternetHandles.h"
#include "common/text/Utf.h"

namespace vard::http_tests {

std::u16string ServerUrl(std::string_view path) {
  return AsciiToUtf16("http://127.0.0.1:" + std::to_string(ServerPort()) + std::string(path));
}

std::u16string TlsUrl(std::string_view path, Tls kind) {
  return AsciiToUtf16("https://127.0.0.1:" + std::to_string(TlsPort(kind)) + std::string(path));
}

std::string Fetch(std::string_view path) {
  CInternetSession session;
  session.Open(u"tests");
  CHttpFile file;
  file.OpenUrl(session.Handle(), ServerUrl(path), u"", platform::inet::kFlagReload);
  std::string body;
  char buffer[65536];
  while (const uint32_t n = file.Read(buffer, sizeof buffer)) body.append(buffer, n);
  return body;
}

std::string ReadAvailable(CInternetFile& file) {
  std::string body;
  while (const uint32_t n = file.QueryDataAvailable()) {
    std::string block(n, '\0');
    const uint32_t got = file.Read(block.data(), n);
    if (got == 0) break;
    body.append(block.data(), got);
  }
  return body;
}

std::string LastRawRequest() { return Fetch("/_raw/last"); }

int RequestCount() { return std::stoi(Fetch("/_raw/count")); }

void ClearRequests() { Fetch("/_raw/clear"); }

}  // namespace vard::http_tests
