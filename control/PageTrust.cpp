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
  originApart_ = false;
  if (pageUrl.empty()) {
    zone_.reset();
    origin_ = u"(no page)";
    trusted_ = !lock_;
    return;
  }
  const auto origin = p::OriginOf(pageUrl);
  origin_ = origin ? origin->Text() : u"(not a URL)";
  zone_ = zones_.ZoneOf(pageUrl);
  trusted_ = PageIsTrusted(lock_ ? &*lock_ : nullptr, pageUrl, *zone_);
}

void PageTrust::SetPage(const std::u16string& pageUrl, const std::u16string& vouchedOrigin) {
  const auto own = p::OriginOf(pageUrl);
  if (own && own->Text() == vouchedOrigin) return SetPage(pageUrl);  // a file: page keeps its path's mark
  originApart_ = true;
  const auto vouched = vouchedOrigin == u"null" ? std::nullopt : p::OriginOf(vouchedOrigin);
  // Only an origin with a host: a file: one names no file whose mark could be read.
  if (vouched && !vouched->host.empty() && vouched->Text() == vouchedOrigin) {
    origin_ = vouchedOrigin;
    zone_ = zones_.ZoneOf(vouchedOrigin);
    trusted_ = PageIsTrusted(lock_ ? &*lock_ : nullptr, vouchedOrigin, *zone_);
    return;
  }
  // No origin of its own: its files are the Internet's at least.
  origin_ = u"an opaque origin (a sandboxed page at " + (own ? own->Text() : std::u16string(u"no URL")) + u")";
  zone_ = p::MarkZone(p::UrlZone::kInternet, zones_.ZoneOf(pageUrl));
  trusted_ = false;
}

bool PageIsTrusted(const SiteLock* lock, std::u16string_view pageUrl, p::UrlZone zone) {
  const auto origin = p::OriginOf(pageUrl);
  if (!origin) return false;
  if (origin->scheme == u"file") return lock && lock->Allows(pageUrl) && p::IsTrustedZone(zone);
  return lock ? lock->Allows(pageUrl) : p::IsTrustedZone(zone);
}

std::u16string FolderForTrust(bool trusted, const std::u16string& current, const PageFolders& folders) {
  if (trusted) return current;
  if (const auto inside = FolderInside(folders.downloads, current)) return *inside;
  if (const auto chosen = FolderInside(folders.personChosen, current)) return *chosen;
  return folders.downloads;
}

std::optional<std::u16string> FolderPageMaySet(bool trusted, const std::u16string& requested,
                                               const PageFolders& folders) {
  if (requested.empty()) return std::nullopt;
  if (trusted) return requested;
  if (const auto inside = FolderInside(folders.downloads, requested)) return inside;
  return FolderInside(folders.personChosen, requested);
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
  if (!transfer::FitsInsideFolder(base, relative + u'\\', transfer::NameSource::kUntrustedPage)) return std::nullopt;
  return base + u'\\' + relative;
}

}  // namespace vard
