#include "common/http/PageCookieOpen.h"

#include <vector>

#include "common/platform/FileSystem.h"
#include "common/platform/UrlOrigin.h"

namespace vard {
namespace p = platform;

namespace {

constexpr int kMaxHops = 20;

bool IsRedirect(uint32_t status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The Location header, however long (a URL may take 2,048 characters and more).
std::u16string Location(CHttpFile& file) {
  std::vector<char16_t> buffer(2084);
  uint32_t length = static_cast<uint32_t>(buffer.size() * sizeof(char16_t));
  if (!p::QueryInfo(file.Handle(), p::inet::kQueryLocation, buffer.data(), &length, nullptr)) {
    if (p::LastError() != p::inet::kInsufficientBuffer) return {};
    buffer.resize(length / sizeof(char16_t) + 1);
    length = static_cast<uint32_t>(buffer.size() * sizeof(char16_t));
    if (!p::QueryInfo(file.Handle(), p::inet::kQueryLocation, buffer.data(), &length, nullptr)) return {};
  }
  return std::u16string(buffer.data(), length / sizeof(char16_t));
}

[[noreturn]] void RedirectFailed(const std::u16string& url) {
  p::SetLastErrorCode(p::inet::kRedirectFailed);
  throw CInternetException(nullptr, u"Failed to open http url (%s)", {url});
}

}  // namespace

void OpenUrlWithPageCookie(CHttpFile& file, p::InternetHandle session, const std::u16string& url,
                           const std::u16string& headers, const std::u16string& cookie, uint32_t flags) {
  if (cookie.empty()) {
    file.OpenUrl(session, url, headers, flags);
    return;
  }
  std::u16string at = url;
  for (int hop = 0;; ++hop) {
    std::u16string text = headers;
    // The first URL stands for the page: a hop that would take the cookie
    // to another host, or from https down to http, goes without it.
    if (p::PageCookieMayGo(url, at)) {
      if (!text.empty()) text += u"\r\n";
      text += u"Cookie: " + cookie;
    }
    file.Close();
    file.OpenUrl(session, at, text, flags | p::inet::kFlagNoAutoRedirect);
    uint32_t status = 0;
    if (!file.QueryInfoNumber(p::inet::kQueryStatusCode, status) || !IsRedirect(status)) return;
    const std::u16string location = Location(file);
    if (location.empty()) return;  // nowhere to go: the caller sees the status
    std::u16string next;
    p::UrlComponents parts;
    if (hop + 1 > kMaxHops || !p::CombineUrl(at, location, next) || !p::CrackUrl(next, parts) ||
        (parts.schemeNumber != p::inet::Scheme::kHttp && parts.schemeNumber != p::inet::Scheme::kHttps))
      RedirectFailed(at);
    at = std::move(next);
  }
}

}  // namespace vard
