#include "control/PageTrust.h"

#include "common/platform/UrlOrigin.h"
#include "common/text/CaseFold.h"
#include "common/transfer/SafeName.h"

namespace vard {
namespace p = platform;

PageTrust::PageTrust(std::optional<SiteLock> lock, IPageZones& zones) : lock_(std::move(lock)), zones_(zones) {
  SetPage(u"");
}

void PageTrust::SetPage(const std::u16string& pageUrl) {
  if (pageUrl.empty()) {
    zone_.reset();
    origin_ = u"(no page)";
    trusted_ = !lock_;
    return;
  }
  const auto origin = p::OriginOf(pageUrl);
  origin_ = origin ? origin->Text() : u"(not a URL)";
  zone_ = zones_.ZoneOf(pageUrl);
  trusted_ = lock_ ? lock_->Allows(pageUrl) : p::IsTrustedZone(*zone_);
}

std::optional<std::u16string> FolderInside(const std::u16string& home, const std::u16string& folder) {
  std::u16string base = home;
  while (!base.empty() && (base.back() == u'\\' || base.back() == u'/')) base.pop_back();
  if (base.empty() || folder.empty()) return std::nullopt;
  std::u16string relative = folder;
  for (char16_t& c : relative)
    if (c == u'/') c = u'\\';
  // A full path names the download folder itself or a folder below it.
  if (relative.size() >= base.size() && EqualsIgnoreCase(std::u16string_view(relative).substr(0, base.size()), base)) {
    if (relative.size() == base.size()) return base;
    if (relative[base.size()] != u'\\') return std::nullopt;
    relative.erase(0, base.size() + 1);
  }
  while (!relative.empty() && relative.back() == u'\\') relative.pop_back();
  if (relative.empty()) return base;
  if (!transfer::FitsInsideFolder(base, relative + u'\\')) return std::nullopt;
  return base + u'\\' + relative;
}

}  // namespace vard
