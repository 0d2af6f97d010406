#pragma once
// How far the page that hosts the control is trusted, decided once per
// page from the site lock read when the control was made, else from the
// page's zone (local machine, intranet and trusted sites are trusted). A
// control no page hosts (a program of this machine does) is trusted unless
// a site lock is set. Owned by the control, used on its thread.
//
// A file: page is trusted only when the lock names "file:": any page the
// person saved, or the control downloaded, is a file: page. One saved from
// the Internet keeps its zone (the mark beside it) and stays untrusted.
#include <optional>
#include <string>

#include "common/platform/UrlZone.h"
#include "control/SiteLock.h"
#include "control/services/PageZones.h"

namespace vard {

class PageTrust {
 public:
  PageTrust(std::optional<SiteLock> lock, IPageZones& zones);

  void SetPage(const std::u16string& pageUrl);
  // A page whose origin a browser vouched for apart from its URL: trust
  // follows that origin alone. "null" (a sandboxed document's opaque one),
  // a file: origin apart from its URL and anything that is not an origin
  // with a host are never trusted, whatever the URL.
  void SetPage(const std::u16string& pageUrl, const std::u16string& vouchedOrigin);
  bool Trusted() const { return trusted_; }
  // The page's origin is not its URL's (opaque, or inherited by about:
  // and blob: documents): what the URL's own origin may have is not its.
  bool OriginApartFromUrl() const { return originApart_; }
  // The page's zone; none without a page.
  std::optional<platform::UrlZone> Zone() const { return zone_; }
  // The page's origin as refusals name it.
  const std::u16string& OriginText() const { return origin_; }

 private:
  std::optional<SiteLock> lock_;
  IPageZones& zones_;
  bool trusted_ = false;
  bool originApart_ = false;
  std::optional<platform::UrlZone> zone_;
  std::u16string origin_;
};

// The decision itself: `lock` the lock in force (none: the zones decide).
bool PageIsTrusted(const SiteLock* lock, std::u16string_view pageUrl, platform::UrlZone zone);

// The folders a page's downloads may go to.
struct PageFolders {
  std::u16string stored;        // kept for this person (DownFolder): where trusted pages start
  std::u16string downloads;     // the person's download folder: untrusted pages stay below it
  std::u16string personChosen;  // chosen by the person in the folder question; empty: none
};

// The download folder once the page's trust is known: a trusted page keeps
// `current`; an untrusted one keeps it only when it is inside the person's
// download folder or the one the person chose, else it starts at the
// person's download folder (never at a folder some page stored).
std::u16string FolderForTrust(bool trusted, const std::u16string& current, const PageFolders& folders);

// SetFolder's value as the page may set it: any folder for a trusted page;
// for an untrusted one a folder inside the person's download folder (a
// relative one below it) or inside the one the person chose. None: refused.
std::optional<std::u16string> FolderPageMaySet(bool trusted, const std::u16string& requested,
                                               const PageFolders& folders);

// `folder` as an untrusted page may choose it: inside `home` (the person's
// download folder), a relative one taken below it. None for anything else.
std::optional<std::u16string> FolderInside(const std::u16string& home, const std::u16string& folder);

}  // namespace vard
