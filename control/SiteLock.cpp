#include "control/SiteLock.h"

#include "common/platform/PublicSuffix.h"

namespace vard {
namespace p = platform;
namespace {

bool IsGap(char16_t c) { return c == u';' || c == u',' || c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

SiteLock SiteLock::Parse(std::u16string_view origins, const Checks& checks) {
  const auto isPublicSuffix = checks.isPublicSuffix ? checks.isPublicSuffix : p::IsPublicSuffix;
  SiteLock lock;
  size_t i = 0;
  while (i < origins.size()) {
    while (i < origins.size() && IsGap(origins[i])) ++i;
    size_t end = i;
    while (end < origins.size() && !IsGap(origins[end])) ++end;
    std::u16string text(origins.substr(i, end - i));
    const std::u16string written = text;
    i = end;
    if (text.empty()) continue;
    Entry e;
    // "*." is no host the URL reader takes; it is set aside first.
    const size_t star = text.find(u"://*.");
    if (star != std::u16string::npos) {
      e.anySubdomain = true;
      text.erase(star + 3, 2);
    }
    while (!text.empty() && text.back() == u'/') text.pop_back();
    const auto origin = p::OriginOf(text);
    if (!origin) continue;
    // Only an origin: a path, query or user name makes the entry unusable.
    // "file:" alone stands for every page on this machine's disks.
    const size_t authority = text.find(u"://");
    if (text != u"file:") {
      if (authority == std::u16string::npos) continue;
      const std::u16string_view rest = std::u16string_view(text).substr(authority + 3);
      if (rest.empty() || rest.find_first_of(u"/\\?#@") != std::u16string_view::npos) continue;
    }
    if (e.anySubdomain && (origin->host.empty() || origin->host.front() == u'[')) continue;
    // Below a single label is a top-level domain, listed or not; a single
    // label alone is one machine ("localhost", an intranet server).
    const bool address = !origin->host.empty() && (origin->host.front() == u'[' ||
                                                   origin->host.find_first_not_of(u"0123456789.") == std::u16string::npos);
    const bool singleLabel = origin->host.find(u'.') == std::u16string::npos;
    if (!origin->host.empty() && !address &&
        (e.anySubdomain ? singleLabel || isPublicSuffix(origin->host) : !singleLabel && isPublicSuffix(origin->host))) {
      if (checks.log) checks.log(u"VardKT5: site lock entry " + written + u" refused: a public suffix");
      continue;
    }
    e.origin = *origin;
    lock.entries_.push_back(std::move(e));
  }
  return lock;
}

std::optional<SiteLock> SiteLock::Read(p::IRegistry& registry, const Checks& checks) {
  for (p::RegistryRoot root : {p::RegistryRoot::kLocalMachine, p::RegistryRoot::kCurrentUser}) {
    if (!registry.KeyExists(root, kKey)) continue;
    return Parse(registry.ReadString(root, kKey, kValue).value_or(u""), checks);
  }
  return std::nullopt;
}

bool SiteLock::Allows(std::u16string_view pageUrl) const {
  const auto page = p::OriginOf(pageUrl);
  if (!page) return false;
  for (const Entry& e : entries_) {
    if (e.origin.scheme != page->scheme || e.origin.port != page->port) continue;
    if (e.origin.scheme == u"file") {
      if (e.origin.host.empty() && p::LocalDiskPathOf(pageUrl)) return true;
      continue;
    }
    if (!e.anySubdomain) {
      if (e.origin.host == page->host) return true;
      continue;
    }
    const std::u16string& domain = e.origin.host;
    if (page->host.size() > domain.size() + 1 && page->host.ends_with(domain) &&
        page->host[page->host.size() - domain.size() - 1] == u'.')
      return true;
  }
  return false;
}

}  // namespace vard
