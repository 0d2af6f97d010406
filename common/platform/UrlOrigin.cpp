#include "common/platform/UrlOrigin.h"

#include "common/text/Utf.h"

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

std::optional<std::u16string> LocalDiskPathOf(std::u16string_view url) {
  const size_t colon = SchemeEnd(url);
  if (colon != 4 || Lower(url[0]) != u'f' || Lower(url[1]) != u'i' || Lower(url[2]) != u'l' || Lower(url[3]) != u'e')
    return std::nullopt;
  size_t begin = 0, end = 0;
  std::u16string_view path = url.substr(colon + 1);
  if (AuthorityBounds(url, colon, begin, end)) {
    std::u16string host;
    for (char16_t c : url.substr(begin, end - begin)) host += Lower(c);
    if (!host.empty() && host != u"localhost") return std::nullopt;
    path = url.substr(end);
  }
  const size_t tail = path.find_first_of(u"?#");
  if (tail != std::u16string_view::npos) path = path.substr(0, tail);
  // Escapes are bytes of UTF-8; what they spell is judged like the rest.
  std::string bytes;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto hex = [](char16_t c) -> int {
      if (c >= u'0' && c <= u'9') return c - u'0';
      if (c >= u'a' && c <= u'f') return c - u'a' + 10;
      if (c >= u'A' && c <= u'F') return c - u'A' + 10;
      return -1;
    };
    if (path[i] == u'%' && i + 2 < path.size() && hex(path[i + 1]) >= 0 && hex(path[i + 2]) >= 0) {
      bytes += static_cast<char>(hex(path[i + 1]) * 16 + hex(path[i + 2]));
      i += 2;
    } else {
      // A run at once: a surrogate pair is converted whole.
      size_t run = i + 1;
      while (run < path.size() && path[run] != u'%') ++run;
      bytes += Utf16ToUtf8(path.substr(i, run - i));
      i = run - 1;
    }
  }
  std::u16string local = Utf8ToUtf16(bytes);
  for (char16_t& c : local) {
    if (c < 0x20) return std::nullopt;
    if (c == u'/') c = u'\\';
  }
  const auto isLetter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  // "\C:\x" and "\C|\x" are a drive's; "C:\x" came without "//".
  if (local.size() >= 3 && local[0] == u'\\' && isLetter(local[1]) && (local[2] == u':' || local[2] == u'|'))
    local.erase(0, 1);
  if (local.size() >= 2 && isLetter(local[0]) && (local[1] == u':' || local[1] == u'|')) {
    local[1] = u':';
    if (local.size() == 2) local += u'\\';
    if (local[2] != u'\\') return std::nullopt;  // "C:x" is relative to a drive's folder
    return local;
  }
  if (local.empty() || local[0] != u'\\' || (local.size() > 1 && local[1] == u'\\')) return std::nullopt;
  return local;
}

bool SameOrigin(std::u16string_view a, std::u16string_view b) {
  const auto first = OriginOf(a), second = OriginOf(b);
  return first && second && !first->host.empty() && *first == *second;
}

bool PageCookieMayGo(std::u16string_view pageUrl, std::u16string_view requestUrl, bool noneSecure) {
  const auto page = OriginOf(pageUrl), request = OriginOf(requestUrl);
  if (!page || !request || page->host.empty() || page->host != request->host) return false;
  const auto web = [](const UrlOrigin& o) { return o.scheme == u"http" || o.scheme == u"https"; };
  if (!web(*page) || !web(*request)) return false;
  if (page->scheme == u"https" && request->scheme == u"http" && !noneSecure) return false;
  // The authority as it was written: "http://page\\@evil/" is one host to
  // us and may be another to the stack that sends it.
  size_t begin = 0, end = 0;
  if (!AuthorityBounds(requestUrl, SchemeEnd(requestUrl), begin, end)) return false;
  const std::u16string_view written = requestUrl.substr(begin - 2, end + 1 - (begin - 2));
  return written.substr(0, 2) == u"//" && written.find_first_of(u"@\\") == std::u16string_view::npos;
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
