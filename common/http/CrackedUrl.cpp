#include "common/http/CrackedUrl.h"

#include <vector>

#include "common/platform/FileSystem.h"
#include "common/platform/Http.h"

namespace vard {

namespace p = platform;

CrackedUrl::CrackedUrl(std::u16string_view url) {
  const std::u16string text(url);
  std::vector<char16_t> buffer(kCanonicalCapacity);
  uint32_t length = static_cast<uint32_t>(buffer.size());
  bool ok = p::CanonicalizeUrl(text.c_str(), buffer.data(), &length, p::inet::kCanonBrowserMode);
  if (!ok && p::LastError() == p::inet::kInsufficientBuffer) {
    // Long URLs: once more with the size asked for (and room for the end).
    buffer.assign(length + 1, 0);
    length = static_cast<uint32_t>(buffer.size());
    ok = p::CanonicalizeUrl(text.c_str(), buffer.data(), &length, p::inet::kCanonBrowserMode);
  }
  if (!ok) return;
  canonical.assign(buffer.data(), std::min<size_t>(length, buffer.size()));
  p::UrlComponents parts;
  if (!p::CrackUrl(canonical, parts)) {
    canonical.clear();
    return;
  }
  // A part that does not fit its buffer fails the split, as it does with
  // fixed buffers.
  if (parts.scheme.size() >= kSchemeCapacity || parts.host.size() >= kHostCapacity ||
      parts.user.size() >= kUserCapacity || parts.password.size() >= kPasswordCapacity ||
      parts.path.size() >= kPathCapacity || parts.extra.size() >= kExtraCapacity) {
    canonical.clear();
    return;
  }
  scheme = parts.scheme;
  host = parts.host;
  user = parts.user;
  password = parts.password;
  path = parts.path;
  extra = parts.extra;
  port = parts.port;
  schemeNumber = static_cast<int>(parts.schemeNumber);
}

}  // namespace vard
