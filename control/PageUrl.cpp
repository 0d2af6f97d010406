#include "control/PageUrl.h"

#include "common/platform/Http.h"
#include "common/text/Base64.h"

namespace vard {

std::u16string CombinePageUrl(const std::u16string& pageUrl, const std::u16string& url, bool decode) {
  namespace c = platform::combine;
  const uint32_t flags = c::kBrowserMode | c::kNoEncode | (decode ? c::kDecode | c::kNoMeta : 0);
  std::u16string out;
  return platform::CombineUrl(pageUrl, url, out, flags) ? out : url;
}

std::u16string ResolvePageUrl(const std::u16string& url, const std::u16string& pageUrl, bool base64, bool decode,
                              UrlCombination combine) {
  std::u16string u = base64 ? Base64DecodeText(url) : url;
  u = combine(pageUrl, u, decode);
  if (u.size() > kMaxResolvedUrl) u.resize(kMaxResolvedUrl);
  return u;
}

}  // namespace vard
