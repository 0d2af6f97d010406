#pragma once
// URLs the page passes in, made absolute against the page's own URL.
#include <cstddef>
#include <string>

namespace vard {

// The longest URL the resolution keeps (its buffer holds one more unit).
inline constexpr size_t kMaxResolvedUrl = 2084;

// Browser-mode combination without escaping; `decode` also decodes escapes
// and leaves "." and ".." alone (single downloads). Without a usable page
// URL the given URL stands as it is.
std::u16string CombinePageUrl(const std::u16string& pageUrl, const std::u16string& url, bool decode);

using UrlCombination = std::u16string (*)(const std::u16string& pageUrl, const std::u16string& url, bool decode);

// `url` Base64-decoded first when `base64` (UseBase64Encode), combined with
// the page URL, cut to kMaxResolvedUrl units. Only tests pass another
// combination.
std::u16string ResolvePageUrl(const std::u16string& url, const std::u16string& pageUrl, bool base64, bool decode,
                              UrlCombination combine = CombinePageUrl);

}  // namespace vard
