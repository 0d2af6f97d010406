#pragma once
// Where the control learns how far a page is trusted: the site lock in
// force and the zone a URL falls in.
#include <optional>
#include <string>

#include "common/platform/UrlZone.h"
#include "control/SiteLock.h"

namespace vard {

class IPageZones {
 public:
  virtual ~IPageZones() = default;
  // The site lock in force; none when no one set one.
  virtual std::optional<SiteLock> ReadSiteLock() = 0;
  virtual platform::UrlZone ZoneOf(const std::u16string& url) = 0;
};

}  // namespace vard
