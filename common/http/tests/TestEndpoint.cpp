#include "common/http/tests/TestEndpoint.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "common/http/InternetHandles.h"
#include "common/platform/Registry.h"
#include "common/text/Utf.h"

namespace vard::http_tests {

std::u16string ServerUrl(std::string_view path) {
  return AsciiToUtf16("http://127.0.0.1:" + std::to_string(ServerPort()) + std::string(path));
}

std::u16string TlsUrl(std::string_view path, Tls kind) {
  return AsciiToUtf16("https://127.0.0.1:" + std::to_string(TlsPort(kind)) + std::string(path));
}

std::string FetchUrl(const std::u16string& url) {
  CInternetSession session;
  session.Open(u"tests");
  CHttpFile file;
  file.OpenUrl(session.Handle(), url, u"", platform::inet::kFlagReload);
  std::string body;
  char buffer[65536];
  while (const uint32_t n = file.Read(buffer, sizeof buffer)) body.append(buffer, n);
  return body;
}

std::string Fetch(std::string_view path) { return FetchUrl(ServerUrl(path)); }

bool UnderWine() {
  // Wine keeps its own settings there; neither Windows nor the stand-in has it.
  static const bool wine = platform::SystemRegistry().KeyExists(platform::RegistryRoot::kCurrentUser, u"Software\\Wine");
  return wine;
}

namespace {

// The hostile server outlives one run of a test program and keeps its
// tallies: each run's tags carry a mark of the run, so that a test counts
// only what it sent itself.
const std::string& RunMark() {
  static const std::string mark = "~" + std::to_string(std::random_device{}());
  return mark;
}

// `path` with the run's mark after the value of its "t" parameter.
std::string MarkTag(std::string path) {
  for (size_t at = path.find("t="); at != std::string::npos; at = path.find("t=", at + 2)) {
    if (at == 0 || (path[at - 1] != '?' && path[at - 1] != '&')) continue;
    const size_t end = std::min(path.find('&', at), path.size());
    path.insert(end, RunMark());
    return path;
  }
  return path;
}

}  // namespace

std::u16string HostileUrl(std::string_view path, std::string_view host) {
  return AsciiToUtf16("http://" + std::string(host) + ":" + std::to_string(HostilePort()) + MarkTag(std::string(path)));
}

std::pair<int, int> HostileCount(std::string_view tag) {
  const std::string text = FetchUrl(HostileUrl("/_count?t=" + std::string(tag)));
  std::pair<int, int> counts{-1, -1};
  std::sscanf(text.c_str(), "%d %d", &counts.first, &counts.second);
  return counts;
}

std::string HostileHeads(std::string_view tag) { return FetchUrl(HostileUrl("/_heads?t=" + std::string(tag))); }

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
