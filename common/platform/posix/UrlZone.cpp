#include "common/platform/UrlZone.h"

#include "common/platform/UrlOrigin.h"

namespace vard::platform {

UrlZone ZoneOfUrl(const std::u16string& url) {
  const auto origin = OriginOf(url);
  if (!origin) return UrlZone::kInternet;
  if (origin->scheme == u"file") return origin->host.empty() || IsLoopbackHost(origin->host) ? UrlZone::kLocalMachine
                                                                                            : UrlZone::kIntranet;
  return IsLoopbackHost(origin->host) ? UrlZone::kIntranet : UrlZone::kInternet;
}

}  // namespace vard::platform
