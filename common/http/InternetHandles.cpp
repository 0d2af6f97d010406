#include "common/http/InternetHandles.h"

#include <vector>

#include "common/http/OneLineText.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/PathText.h"

namespace vard {

namespace p = platform;

CInternetHandle::~CInternetHandle() { Close(); }

void CInternetHandle::Close() {
  if (p::InternetHandle h = handle_.exchange(nullptr)) p::CloseInternetHandle(h);
}

bool CInternetHandle::SetOption(uint32_t option, uint32_t value) {
  return p::SetOption(Handle(), option, &value, sizeof value);
}

std::u16string CInternetSession::ProgramAgentName() {
  return std::u16string(p::SplitPath(p::ModulePath()).base);
}

void CInternetSession::Open(const char16_t* agent, uint32_t accessType, const char16_t* proxy,
                            const char16_t* proxyBypass, uint32_t flags) {
  const std::u16string fallback = agent ? std::u16string() : ProgramAgentName();
  p::InternetHandle h = p::OpenSession(agent ? agent : fallback.c_str(), accessType, proxy,
                                       proxyBypass, flags);
  if (!h) throw CInternetException(nullptr, u"Failed to open an internet session");
  Attach(h);
}

void CHttpConnection::Connect(p::InternetHandle session, const std::u16string& server,
                              uint16_t port, const char16_t* user, const char16_t* password,
                              uint32_t service, uint32_t flags) {
  p::InternetHandle h = p::ConnectServer(session, server.c_str(), port, user, password, service,
                                         flags, Context());
  if (!h) throw CInternetException(nullptr, u"Failed to connect to server (%s:%u)", {server, port});
  Attach(h);
}

void CInternetFile::OpenUrl(p::InternetHandle session, const std::u16string& url,
                            const std::u16string& givenHeaders, uint32_t flags) {
  const std::u16string headers = HeaderTextWithoutBreaks(givenHeaders);
  p::InternetHandle h = p::OpenUrl(session, url.c_str(), headers.empty() ? nullptr : headers.c_str(),
                                   static_cast<uint32_t>(headers.size()), flags, Context());
  if (!h) throw CInternetException(nullptr, u"Failed to open http url (%s)", {url});
  Attach(h);
}

bool CInternetFile::QueryInfoNumber(uint32_t query, uint32_t& value, uint32_t* index) {
  uint32_t number = 0, length = sizeof number;
  if (!p::QueryInfo(Handle(), query | p::inet::kQueryFlagNumber, &number, &length, index))
    return false;
  value = number;
  return true;
}

bool CInternetFile::QueryInfoText(uint32_t query, std::u16string& value) {
  char16_t buffer[64] = {};
  uint32_t length = sizeof buffer;
  if (!p::QueryInfo(Handle(), query, buffer, &length, nullptr)) return false;
  value.assign(buffer, std::min<size_t>(length / 2, 63));
  return true;
}

std::u16string CInternetFile::Url() {
  std::vector<char16_t> buffer(2084);
  for (int attempt = 0; attempt < 2; ++attempt) {
    uint32_t length = static_cast<uint32_t>(buffer.size() * sizeof(char16_t));
    if (p::QueryOption(Handle(), p::inet::kOptionUrl, buffer.data(), &length)) {
      // Up to the terminator: the length WinINet reports back is not the
      // same unit on every version.
      buffer.back() = 0;
      return std::u16string(buffer.data());
    }
    if (p::LastError() != p::inet::kInsufficientBuffer) break;
    buffer.assign(length / sizeof(char16_t) + 2, 0);
  }
  return {};
}

uint32_t CInternetFile::QueryDataAvailable() {
  uint32_t n = 0;
  if (!p::QueryDataAvailable(Handle(), &n))
    throw CInternetException(Handle(), u"Failed to query available data length");
  return n;
}

uint32_t CInternetFile::Read(void* buffer, uint32_t count) {
  uint32_t n = 0;
  if (!p::ReadData(Handle(), buffer, count, &n))
    throw CInternetException(Handle(), u"Failed to read from network (%u bytes)", {count});
  return n;
}

uint32_t CInternetFile::Write(const void* buffer, uint32_t count) {
  uint32_t n = 0;
  if (!p::WriteData(Handle(), buffer, count, &n))
    throw CInternetException(Handle(), u"Failed to write to network (%u bytes)", {count});
  return n;
}

void CHttpFile::OpenRequest(p::InternetHandle connection, const std::u16string& verb,
                            const std::u16string& object, const char16_t* version,
                            const char16_t* referrer, const char16_t* const* acceptTypes,
                            uint32_t flags) {
  p::InternetHandle h = p::OpenRequest(connection, verb.c_str(), object.c_str(), version, referrer,
                                       acceptTypes, flags, Context());
  if (!h) throw CInternetException(nullptr, u"Failed to open http request (%s %s)", {verb, object});
  Attach(h);
}

void CHttpFile::SendRequestEx(const std::u16string& givenHeaders, uint32_t bodyTotal) {
  const std::u16string headers = HeaderTextWithoutBreaks(givenHeaders);
  if (!p::SendRequestEx(Handle(), headers.c_str(), static_cast<uint32_t>(headers.size()), bodyTotal))
    throw CInternetException(Handle(), u"Failed to send http request(Ex)");
}

void CHttpFile::EndRequest() {
  if (!p::EndRequest(Handle())) throw CInternetException(Handle(), u"Failed to end of http request");
}

}  // namespace vard
