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

// The path a file: URL names on this machine's own disks ("C:\a\p.html",
// or a POSIX path in the core's syntax, "\home\u\p.html"), its escapes
// decoded. None for other schemes and for files reached over the network:
// a host other than "localhost" (UNC shares, WebDAV's "host@SSL"), a path
// that is itself a UNC or device path ("file:////server/share").
std::optional<std::u16string> LocalDiskPathOf(std::u16string_view url);

// Two URLs of one origin: scheme, host and port equal, with a host. A
// notification from a page it does not trust goes only to its own origin.
bool SameOrigin(std::u16string_view a, std::u16string_view b);

// The page's cookie text may go with a request to `requestUrl`. The store
// hands it over without Domain attributes, so it is taken as host-only: only
// an http or https request whose host is the page's (case-insensitive), and
// not over http from an https page, where a Secure cookie may be among them
// (`noneSecure`: the store said none is). A request URL with a user part or
// a "\" in its authority is refused: the HTTP stacks may read its host
// otherwise than we do.
bool PageCookieMayGo(std::u16string_view pageUrl, std::u16string_view requestUrl, bool noneSecure = false);

// `url` without "user:password@" in its authority: marks and logs never
// keep a password.
std::u16string WithoutUserInfo(std::u16string_view url);

}  // namespace vard::platform
