#include "control/PageCookies.h"

#include <vector>

#include "common/platform/Http.h"

namespace vard {
namespace {

std::vector<std::u16string_view> Split(std::u16string_view text, char16_t at) {
  std::vector<std::u16string_view> pieces;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(at, start);
    pieces.push_back(text.substr(start, end == std::u16string_view::npos ? end : end - start));
    if (end == std::u16string_view::npos) return pieces;
    start = end + 1;
  }
}

}  // namespace

std::u16string FilterPageCookies(std::u16string_view storeText) {
  std::u16string out;
  for (std::u16string_view piece : Split(storeText, u';')) {
    const auto parts = Split(piece, u'=');
    if (parts.size() != 2 || (!parts[1].empty() && parts[1][0] == u'%')) continue;
    // Names keep their leading blank: it is how the store separates them.
    out.append(parts[0]).append(u"=").append(parts[1]).append(u"; ");
  }
  const size_t first = out.find_first_not_of(u" \t\r\n");
  if (first == std::u16string::npos) return {};
  const size_t last = out.find_last_not_of(u"; \t\r\n");
  if (last == std::u16string::npos || last < first) return {};
  return out.substr(first, last - first + 1);
}

PageCookies GetPageCookies(const std::u16string& pageUrl) {
  platform::UrlComponents parts;
  if (!platform::CrackUrl(pageUrl, parts)) return {};
  // Port, user, password, query and fragment do not choose cookies.
  const std::u16string url = parts.scheme + u"://" + parts.host + parts.path;
  std::u16string text;
  if (!platform::GetCookie(url, u"", text)) return {};
  return {FilterPageCookies(text), platform::AnySecureCookie(url).value_or(true)};
}

}  // namespace vard
