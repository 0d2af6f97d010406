#pragma once
// The origin of a URL (scheme, host, port) as pages and site locks name
// it, and URLs without the user name and password they may carry. Pure
// text work; the zones a URL falls in are the platform's (UrlZone.h).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vard::platform {

struct UrlOrigin {
  std::u16string scheme;  // lower case, without ":"
  std::u16string host;    // lower case; IPv6 in brackets; empty for most file: URLs
  uint16_t port = 0;      // the scheme's own when the URL names none; 0 when it has none

  // "https://host:port" (the port only when not the scheme's own).
  std::u16string Text() const;
  bool operator==(const UrlOrigin&) const = default;
};

// None for text that is not an absolute URL with a scheme, or whose port is
// not a number up to 65535.
std::optional<UrlOrigin> OriginOf(std::u16string_view url);

// The host is this machine: "localhost", 127.0.0.0/8, "[::1]".
bool IsLoopbackHost(std::u16string_view host);

// `url` without "user:password@" in its authority: marks and logs never
// keep a password.
std::u16string WithoutUserInfo(std::u16string_view url);

}  // namespace vard::platform
