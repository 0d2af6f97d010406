// URL canonicalisation, splitting and combining for the libcurl backend
// (WinINet does these itself on Windows).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/platform/FileSystem.h"
#include "common/platform/Http.h"
#include "common/platform/posix/HttpText.h"
#include "common/platform/posix/PosixPath.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

using posix::Fail;

// Drops "." and ".." segments of an absolute path.
std::string RemoveDotSegments(const std::string& path) {
  std::vector<std::string> out;
  size_t start = 1;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string seg = path.substr(start, end - start);
    const bool last = end == path.size();
    if (seg == "..") {
      if (!out.empty()) out.pop_back();
      if (last) out.emplace_back();
    } else if (seg == ".") {
      if (last) out.emplace_back();
    } else {
      out.push_back(seg);
    }
    start = end + 1;
  }
  std::string result;
  for (const auto& seg : out) result += "/" + seg;
  return result.empty() ? "/" : result;
}

size_t AuthorityEnd(const std::string& url, size_t from) {
  const size_t end = url.find_first_of("/?#", from);
  return end == std::string::npos ? url.size() : end;
}

inet::Scheme SchemeNumber(std::string scheme) {
  std::transform(scheme.begin(), scheme.end(), scheme.begin(), ::tolower);
  if (scheme == "http") return inet::Scheme::kHttp;
  if (scheme == "https") return inet::Scheme::kHttps;
  if (scheme == "ftp") return inet::Scheme::kFtp;
  if (scheme == "file") return inet::Scheme::kFile;
  return inet::Scheme::kUnknown;
}

// Browser mode escapes the unsafe bytes of a path (only the path: query
// and fragment go out as given).
void AppendEscapedPath(std::string& out, std::string_view path) {
  for (unsigned char c : path) {
    if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>') {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
}

}  // namespace

bool CanonicalizeUrl(const char16_t* url, char16_t* buffer, uint32_t* length, uint32_t) {
  if (!url || !length) return Fail(error::kInvalidParameter);
  const std::string in = posix::Narrow(url);
  const size_t schemeEnd = in.find("://");
  if (schemeEnd == std::string::npos) return Fail(inet::kInvalidUrl);
  const size_t pathStart = AuthorityEnd(in, schemeEnd + 3);
  size_t tail = in.find_first_of("?#", pathStart);
  if (tail == std::string::npos) tail = in.size();
  std::string path = in.substr(pathStart, tail - pathStart);
  if (path.empty()) path = "/";
  path = RemoveDotSegments(path);
  std::string out = in.substr(0, pathStart);
  AppendEscapedPath(out, path);
  out += in.substr(tail);
  const std::u16string result = Utf8ToUtf16(out);
  if (!buffer || *length <= result.size()) {
    *length = static_cast<uint32_t>(result.size() + 1);
    return Fail(inet::kInsufficientBuffer);
  }
  std::copy(result.begin(), result.end(), buffer);
  buffer[result.size()] = 0;
  *length = static_cast<uint32_t>(result.size());
  return true;
}

bool CrackUrl(std::u16string_view url16, UrlComponents& parts) {
  parts = UrlComponents();
  const std::string url = posix::Narrow(url16);
  const size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string::npos || schemeEnd == 0) return Fail(inet::kInvalidUrl);
  const std::string scheme = url.substr(0, schemeEnd);
  const size_t authStart = schemeEnd + 3, authEnd = AuthorityEnd(url, authStart);
  std::string authority = url.substr(authStart, authEnd - authStart);
  std::string user, password;
  if (const size_t at = authority.rfind('@'); at != std::string::npos) {
    const std::string info = authority.substr(0, at);
    const size_t colon = info.find(':');
    user = info.substr(0, colon);
    if (colon != std::string::npos) password = info.substr(colon + 1);
    authority = authority.substr(at + 1);
  }
  const inet::Scheme number = SchemeNumber(scheme);
  uint32_t port = number == inet::Scheme::kHttps ? 443 : number == inet::Scheme::kFtp ? 21 : 80;
  std::string host = authority;
  if (const size_t colon = authority.rfind(':');
      colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
    host = authority.substr(0, colon);
    const std::string digits = authority.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos || std::stoul(digits) > 65535)
      return Fail(inet::kInvalidUrl);
    port = static_cast<uint32_t>(std::stoul(digits));
  }
  if (host.empty() && number != inet::Scheme::kFile) return Fail(inet::kInvalidUrl);
  size_t extra = url.find_first_of("?#", authEnd);
  if (extra == std::string::npos) extra = url.size();
  parts.scheme = Utf8ToUtf16(scheme);
  parts.host = Utf8ToUtf16(host);
  parts.user = Utf8ToUtf16(user);
  parts.password = Utf8ToUtf16(password);
  parts.path = Utf8ToUtf16(url.substr(authEnd, extra - authEnd));
  parts.extra = Utf8ToUtf16(url.substr(extra));
  parts.port = static_cast<uint16_t>(port);
  parts.schemeNumber = number;
  return true;
}

namespace {

// "%41" -> "A"; a broken escape stays as written.
std::string DecodeEscapes(const std::string& s) {
  auto hex = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
  };
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
      r += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
      i += 2;
    } else {
      r += s[i];
    }
  }
  return r;
}

}  // namespace

namespace {

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// RFC 3986: scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) before the
// first ":". Its length, or 0 when the text does not start with one.
size_t SchemeLength(const std::string& url) {
  if (url.empty() || !IsAlpha(url[0])) return 0;
  for (size_t i = 1; i < url.size(); ++i) {
    const char c = url[i];
    if (c == ':') return i;
    if (!IsAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

bool SameScheme(const std::string& a, size_t aLength, const std::string& b, size_t bLength) {
  if (aLength != bLength) return false;
  for (size_t i = 0; i < aLength; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// "C:\dir\a b.txt" -> "file:///C:/dir/a%20b.txt"; a bare drive names its root.
std::string DriveUrl(const std::string& path) {
  std::string out = "file:///";
  std::string slashed = path;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  AppendEscapedPath(out, slashed);
  if (out.find('/', 8) == std::string::npos) out += '/';
  return out;
}

// Lower-case scheme; with an authority, an empty path is "/" and dot
// segments go unless the caller keeps them.
std::string Normalize(std::string url, bool dots) {
  const size_t scheme = SchemeLength(url);
  for (size_t i = 0; i < scheme; ++i) url[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(url[i])));
  if (url.compare(scheme, 3, "://") != 0) return url;
  const size_t pathStart = AuthorityEnd(url, scheme + 3);
  size_t tail = url.find_first_of("?#", pathStart);
  if (tail == std::string::npos) tail = url.size();
  std::string path = url.substr(pathStart, tail - pathStart);
  if (path.empty()) path = "/";
  else if (dots) path = RemoveDotSegments(path);
  return url.substr(0, pathStart) + path + url.substr(tail);
}

}  // namespace

// The result is never escaped here (callers ask for no encoding), so only
// the decode and no-meta flags matter. A reference with a scheme stands on
// its own, as does a drive path; one naming the page's own scheme without
// an authority ("http:x") is read as relative; "?q" replaces the page's
// last segment, as WinINet answers.
bool CombineUrl(std::u16string_view base16, std::u16string_view relative16, std::u16string& out, uint32_t flags) {
  const std::string base = posix::Narrow(base16);
  std::string rel = posix::Narrow(relative16);
  const bool dots = !(flags & combine::kNoMeta);
  auto finish = [&](const std::string& result) {
    out = Utf8ToUtf16((flags & combine::kDecode) ? DecodeEscapes(result) : result);
    return true;
  };
  const size_t baseScheme = SchemeLength(base), relScheme = SchemeLength(rel);
  if (relScheme == 1) return finish(DriveUrl(rel));
  if (relScheme > 1) {
    if (!SameScheme(rel, relScheme, base, baseScheme) || rel.compare(relScheme + 1, 2, "//") == 0)
      return finish(Normalize(rel, dots));
    rel.erase(0, relScheme + 1);
  }
  if (baseScheme == 0 || base.compare(baseScheme, 3, "://") != 0) return Fail(inet::kInvalidUrl);
  // Windows path separators in the reference's path.
  std::replace(rel.begin(), rel.begin() + static_cast<std::ptrdiff_t>(std::min(rel.find_first_of("?#"), rel.size())),
               '\\', '/');
  const size_t pathStart = AuthorityEnd(base, baseScheme + 3);
  size_t baseTail = base.find_first_of("?#", pathStart);
  if (baseTail == std::string::npos) baseTail = base.size();
  const std::string page = base.substr(0, base.find('#'));
  std::string dir = base.substr(pathStart, baseTail - pathStart);
  dir = dir.substr(0, dir.rfind('/') == std::string::npos ? 0 : dir.rfind('/') + 1);
  if (dir.empty()) dir = "/";
  std::string result;
  if (rel.rfind("//", 0) == 0) result = base.substr(0, baseScheme + 1) + rel;
  else if (rel.empty()) result = page;
  else if (rel[0] == '/') result = base.substr(0, pathStart) + rel;
  else if (rel[0] == '#') result = page + rel;
  else result = base.substr(0, pathStart) + dir + rel;
  return finish(Normalize(result, dots));
}

}  // namespace vard::platform
