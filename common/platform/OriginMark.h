#pragma once
// Where a downloaded file came from, as the system keeps it beside the
// file so that running it warns first. Win32: the "Zone.Identifier" stream
// of the file; POSIX: the extended attributes "user.xdg.origin.url" and
// "user.xdg.referrer.url" (where the file system refuses them, the file
// goes without). Written and read through the file seam (IFileSystem).
#include <cstdint>
#include <optional>
#include <string>

#include "common/platform/UrlZone.h"

namespace vard::platform {

struct OriginMark {
  std::u16string hostUrl;      // the file's own URL
  std::u16string referrerUrl;  // the page it was fetched for; empty: none
  UrlZone zone = UrlZone::kInternet;
  bool operator==(const OriginMark&) const = default;
};

// The mark of a file fetched from `fileUrl` for the page at `pageUrl`:
// user names and passwords left out, and no line breaks.
OriginMark MakeOriginMark(const std::u16string& fileUrl, const std::u16string& pageUrl, UrlZone zone);

// The mark of a downloaded file: `fileUrl` is where its bytes came from
// (the URL after redirects), `pageUrl` the page it was fetched for (empty:
// none), and the zone the more restrictive of the page's and the file
// URL's (MarkZone).
OriginMark DownloadOriginMark(const std::u16string& fileUrl, const std::u16string& pageUrl,
                              std::optional<UrlZone> pageZone);

// The stream's text (UTF-8, CRLF lines), and back.
std::string ZoneIdentifierText(const OriginMark& mark);
std::optional<OriginMark> ParseZoneIdentifier(const std::string& text);

// The name of the mark's stream, after the file's path and ":".
inline constexpr char16_t kOriginMarkStreamName[] = u"Zone.Identifier";

// The system's own writer and reader of marks (the file seam's real ones).
bool WriteFileOriginMark(const std::u16string& path, const OriginMark& mark);
std::optional<OriginMark> ReadFileOriginMark(const std::u16string& path);

// Where a process that writes through a broker puts the mark: the stream's
// path on Windows, which the broker writes like a file; none where the
// volume keeps no streams, and on POSIX, where the process writes the
// attributes itself.
std::optional<std::u16string> OriginMarkStreamPath(const std::u16string& path);

}  // namespace vard::platform
