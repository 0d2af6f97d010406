#include "common/platform/UrlZone.h"

#include "common/platform/OriginMark.h"
#include "common/platform/UrlOrigin.h"

namespace vard::platform {
namespace {

UrlZone NetworkZone(const UrlOrigin& origin) {
  return origin.scheme != u"file" && IsLoopbackHost(origin.host) ? UrlZone::kIntranet : UrlZone::kInternet;
}

}  // namespace

UrlZone ZoneOfUrl(const std::u16string& url) {
  const auto origin = OriginOf(url);
  if (!origin) return UrlZone::kInternet;
  if (origin->scheme != u"file") return NetworkZone(*origin);
  const auto path = LocalDiskPathOf(url);
  if (!path) return origin->host.empty() || IsLoopbackHost(origin->host) ? UrlZone::kLocalMachine : UrlZone::kIntranet;
  // A file that came from the network keeps the zone of where it came from.
  if (const auto mark = ReadFileOriginMark(*path)) {
    const auto from = OriginOf(mark->hostUrl);
    return from ? NetworkZone(*from) : UrlZone::kInternet;
  }
  return UrlZone::kLocalMachine;
}

}  // namespace vard::platform
