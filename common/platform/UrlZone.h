#pragma once
// The security zone a URL falls in. Win32: the system's URL security
// manager (IInternetSecurityManager::MapUrlToZone), which follows the
// person's and the administrator's zone settings. POSIX: file: URLs are
// this machine, loopback hosts the intranet, every other URL the Internet.
#include <cstdint>
#include <string>

namespace vard::platform {

enum class UrlZone : uint32_t { kLocalMachine = 0, kIntranet = 1, kTrusted = 2, kInternet = 3, kRestricted = 4 };

// A URL the zones cannot place is the Internet's.
UrlZone ZoneOfUrl(const std::u16string& url);

// Local machine, intranet and trusted sites.
inline bool IsTrustedZone(UrlZone zone) { return static_cast<uint32_t>(zone) <= 2; }

}  // namespace vard::platform
