#pragma once
// The security zone a URL falls in. Win32: the system's URL security
// manager (IInternetSecurityManager::MapUrlToZone), which follows the
// person's and the administrator's zone settings and reads a saved file's
// mark. POSIX: loopback hosts are the intranet, file: URLs this machine
// unless the file carries an origin mark (then the zone of the URL it came
// from), every other URL the Internet.
#include <cstdint>
#include <optional>
#include <string>

namespace vard::platform {

enum class UrlZone : uint32_t { kLocalMachine = 0, kIntranet = 1, kTrusted = 2, kInternet = 3, kRestricted = 4 };

// A URL the zones cannot place is the Internet's.
UrlZone ZoneOfUrl(const std::u16string& url);

// The zone a downloaded file's mark names: the more restrictive of the
// page's (none: no page) and the file URL's, so that an Internet file a
// trusted page fetched keeps the system's warnings, and a trusted file an
// Internet page fetched does not lose them.
inline UrlZone MarkZone(std::optional<UrlZone> pageZone, UrlZone fileZone) {
  return pageZone && static_cast<uint32_t>(*pageZone) > static_cast<uint32_t>(fileZone) ? *pageZone : fileZone;
}

// Local machine, intranet and trusted sites.
inline bool IsTrustedZone(UrlZone zone) { return static_cast<uint32_t>(zone) <= 2; }

}  // namespace vard::platform
