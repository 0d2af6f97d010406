#include "common/platform/UrlOrigin.h"

namespace vard::platform {
namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool IsSchemeChar(char16_t c, bool first) {
  const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  return letter || (!first && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.'));
}

uint16_t DefaultPort(std::u16string_view scheme) {
  if (scheme == u"http") return 80;
  if (scheme == u"https") return 443;
  if (scheme == u"ftp") return 21;
  return 0;
}

bool EndsAuthority(char16_t c) { return c == u'/' || c == u'\\' || c == u'?' || c == u'#'; }

// Where the scheme's ":" is; npos when the text has no scheme.
size_t SchemeEnd(std::u16string_view url) {
  for (size_t i = 0; i < url.size(); ++i) {
    if (url[i] == u':') return i > 0 ? i : std::u16string_view::npos;
    if (!IsSchemeChar(url[i], i == 0)) return std::u16string_view::npos;
  }
  return std::u16string_view::npos;
}

// The authority's bounds after "scheme://" (browsers take "\" for "/").
bool AuthorityBounds(std::u16string_view url, size_t schemeEnd, size_t& begin, size_t& end) {
  begin = schemeEnd + 1;
  if (url.size() < begin + 2 || (url[begin] != u'/' && url[begin] != u'\\') ||
      (url[begin + 1] != u'/' && url[begin + 1] != u'\\'))
    return false;
  begin += 2;
  end = begin;
  while (end < url.size() && !EndsAuthority(url[end])) ++end;
  return true;
}

}  // namespace

std::u16string UrlOrigin::Text() const {
  std::u16string t = scheme + u"://" + host;
  if (port != DefaultPort(scheme) && port != 0) {
    t += u':';
    for (char c : std::to_string(port)) t += static_cast<char16_t>(c);
  }
  return t;
}

std::optional<UrlOrigin> OriginOf(std::u16string_view url) {
  const size_t colon = SchemeEnd(url);
  if (colon == std::u16string_view::npos) return std::nullopt;
  UrlOrigin o;
  for (char16_t c : url.substr(0, colon)) o.scheme += Lower(c);
  o.port = DefaultPort(o.scheme);
  size_t begin = 0, end = 0;
  if (!AuthorityBounds(url, colon, begin, end)) {
    // "file:C:/x", "about:blank": an origin of the scheme alone.
    return o;
  }
  std::u16string_view authority = url.substr(begin, end - begin);
  if (const size_t at = authority.rfind(u'@'); at != std::u16string_view::npos) authority.remove_prefix(at + 1);
  std::u16string_view portText;
  if (authority.starts_with(u'[')) {
    const size_t close = authority.find(u']');
    if (close == std::u16string_view::npos) return std::nullopt;
    o.host = std::u16string(authority.substr(0, close + 1));
    if (close + 1 < authority.size()) {
      if (authority[close + 1] != u':') return std::nullopt;
      portText = authority.substr(close + 2);
    }
  } else {
    const size_t portColon = authority.find(u':');
    o.host = std::u16string(authority.substr(0, portColon));
    if (portColon != std::u16string_view::npos) portText = authority.substr(portColon + 1);
  }
  for (char16_t& c : o.host) c = Lower(c);
  // "host." and "host" are one host.
  if (o.host.size() > 1 && o.host.back() == u'.') o.host.pop_back();
  if (!portText.empty()) {
    uint32_t port = 0;
    for (char16_t c : portText) {
      if (c < u'0' || c > u'9') return std::nullopt;
      port = port * 10 + (c - u'0');
      if (port > 65535) return std::nullopt;
    }
    o.port = static_cast<uint16_t>(port);
  }
  return o;
}

bool IsLoopbackHost(std::u16string_view host) {
  if (host == u"localhost" || host == u"[::1]") return true;
  // 127.x.y.z, written as the four decimal parts.
  if (!host.starts_with(u"127.")) return false;
  int parts = 2, digits = 0;  // "127" and the part being read
  uint32_t value = 0;
  for (char16_t c : host.substr(4)) {
    if (c == u'.') {
      if (digits == 0) return false;
      ++parts;
      digits = 0;
      value = 0;
    } else if (c >= u'0' && c <= u'9') {
      value = value * 10 + (c - u'0');
      if (++digits > 3 || value > 255) return false;
    } else {
      return false;
    }
  }
  return parts == 4 && digits > 0;
}

std::u16string WithoutUserInfo(std::u16string_view url) {
  const size_t colon = SchemeEnd(url);
  size_t begin = 0, end = 0;
  if (colon == std::u16string_view::npos || !AuthorityBounds(url, colon, begin, end)) return std::u16string(url);
  const size_t at = url.substr(begin, end - begin).rfind(u'@');
  if (at == std::u16string_view::npos) return std::u16string(url);
  std::u16string out(url.substr(0, begin));
  out += url.substr(begin + at + 1);
  return out;
}

}  // namespace vard::platform
