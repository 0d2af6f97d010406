#pragma once
// The page's cookies as the agent receives them: read from the system's
// cookie store for the page's scheme, host and path, and kept only where a
// piece is a plain name=value pair.
#include <string>
#include <string_view>

namespace vard {

struct PageCookies {
  std::u16string text;  // "a=1; b=2", or empty
  // A Secure cookie may be among them: unless the store said none is.
  bool mayBeSecure = true;
};

PageCookies GetPageCookies(const std::u16string& pageUrl);

// The cookie text of the store, filtered: pieces that split at "=" into
// exactly two parts whose value does not begin with "%", joined by "; ",
// blanks and line breaks trimmed at both ends and semicolons at the end.
std::u16string FilterPageCookies(std::u16string_view storeText);

}  // namespace vard
