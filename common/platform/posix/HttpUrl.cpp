// URL canonicalisation, splitting and combining for the libcurl backend
// (WinINet does these itself on Windows).
#include <algorithm>
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
  // Browser mode: escape unsafe bytes of the path only; query and fragment
  // go out as given.
  std::string out = in.substr(0, pathStart);
  for (unsigned char c : path) {
    if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>') {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
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

// The result is never escaped here, so only the decode and no-meta flags matter.
bool CombineUrl(std::u16string_view base16, std::u16string_view relative16, std::u16string& out, uint32_t flags) {
  const std::string base = posix::Narrow(base16), rel = posix::Narrow(relative16);
  // "." and ".." stay when the caller asks for no meta handling.
  auto Dots = [flags](const std::string& path) {
    return (flags & combine::kNoMeta) ? path : RemoveDotSegments(path);
  };
  const size_t schemeEnd = base.find("://");
  if (rel.find("://") != std::string::npos && rel.find("://") < rel.find_first_of("/?#")) {
    out = Utf8ToUtf16((flags & combine::kDecode) ? DecodeEscapes(rel) : rel);
    return true;
  }
  if (schemeEnd == std::string::npos) return Fail(inet::kInvalidUrl);
  const size_t pathStart = AuthorityEnd(base, schemeEnd + 3);
  std::string result;
  if (rel.rfind("//", 0) == 0) {
    result = base.substr(0, schemeEnd + 1) + rel;
  } else if (!rel.empty() && rel[0] == '/') {
    result = base.substr(0, pathStart) + Dots(rel);
  } else if (rel.empty() || rel[0] == '?' || rel[0] == '#') {
    const size_t cut = base.find_first_of(rel.empty() || rel[0] == '?' ? "?#" : "#", pathStart);
    result = base.substr(0, cut) + rel;
  } else {
    size_t tail = base.find_first_of("?#", pathStart);
    if (tail == std::string::npos) tail = base.size();
    std::string dir = base.substr(pathStart, tail - pathStart);
    dir = dir.substr(0, dir.rfind('/') == std::string::npos ? 0 : dir.rfind('/') + 1);
    if (dir.empty()) dir = "/";
    const size_t q = rel.find_first_of("?#");
    result = base.substr(0, pathStart) + Dots(dir + rel.substr(0, q)) +
             (q == std::string::npos ? "" : rel.substr(q));
  }
  out = Utf8ToUtf16((flags & combine::kDecode) ? DecodeEscapes(result) : result);
  return true;
}

}  // namespace vard::platform
