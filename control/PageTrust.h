#pragma once
// How far the page that hosts the control is trusted, decided once per
// page from the site lock read when the control was made, else from the
// page's zone (local machine, intranet and trusted sites are trusted). A
// control no page hosts (a program of this machine does) is trusted unless
// a site lock is set. Owned by the control, used on its thread.
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
  bool Trusted() const { return trusted_; }
  // The page's zone; none without a page.
  std::optional<platform::UrlZone> Zone() const { return zone_; }
  // The page's origin as refusals name it.
  const std::u16string& OriginText() const { return origin_; }

 private:
  std::optional<SiteLock> lock_;
  IPageZones& zones_;
  bool trusted_ = false;
  std::optional<platform::UrlZone> zone_;
  std::u16string origin_;
};

// `folder` as an untrusted page may choose it: inside `home` (the person's
// download folder), a relative one taken below it. None for anything else.
std::optional<std::u16string> FolderInside(const std::u16string& home, const std::u16string& folder);

}  // namespace vard
