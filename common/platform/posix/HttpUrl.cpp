// URL canonicalisation, splitting and combining, and the cookie store, for
// the libcurl backend (WinINet does these itself on Windows).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

#include <sys/stat.h>

#include "common/platform/Environment.h"
#include "common/platform/FileSystem.h"
#include "common/platform/Http.h"
#include "common/platform/posix/HttpText.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

bool Fail(uint32_t code) {
  SetLastErrorCode(code);
  return false;
}

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

std::string CookieFile() {
  auto base = GetEnv("XDG_DATA_HOME");
  std::string folder = base && !base->empty() ? *base : GetEnv("HOME").value_or("/tmp") + "/.local/share";
  return folder + "/vardel/cookies.txt";
}

std::mutex g_cookieMutex;

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

// Cookies live in a Netscape cookie file: domain, subdomains, path, secure,
// expiry, name, value; tab-separated.
bool GetCookie(std::u16string_view url, std::u16string_view name, std::u16string& out) {
  out.clear();
  UrlComponents parts;
  if (!CrackUrl(url, parts)) return false;
  const std::string host = posix::Narrow(parts.host), path = posix::Narrow(parts.path);
  const std::string wanted = posix::Narrow(name);
  std::lock_guard lock(g_cookieMutex);
  std::ifstream file(CookieFile());
  std::string line, result;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string domain, sub, cpath, secure, expiry, cname, value;
    std::getline(fields, domain, '\t');
    std::getline(fields, sub, '\t');
    std::getline(fields, cpath, '\t');
    std::getline(fields, secure, '\t');
    std::getline(fields, expiry, '\t');
    std::getline(fields, cname, '\t');
    std::getline(fields, value);
    if (!domain.empty() && domain[0] == '.') domain.erase(0, 1);
    const bool domainOk = host == domain ||
        (host.size() > domain.size() && host.ends_with("." + domain));
    if (!domainOk || (path.empty() ? "/" : path).rfind(cpath, 0) != 0) continue;
    if (!wanted.empty() && cname != wanted) continue;
    result += (result.empty() ? "" : "; ") + cname + "=" + value;
  }
  if (result.empty()) return Fail(259);  // ERROR_NO_MORE_ITEMS
  out = Utf8ToUtf16(result);
  return true;
}

bool SetCookie(std::u16string_view url, std::u16string_view name, std::u16string_view data) {
  UrlComponents parts;
  if (!CrackUrl(url, parts)) return false;
  std::string text = posix::Narrow(data);
  std::string cname = posix::Narrow(name), value, cpath = "/";
  std::string domain = posix::Narrow(parts.host);
  std::istringstream attrs(text);
  std::string attr;
  bool first = true;
  while (std::getline(attrs, attr, ';')) {
    while (!attr.empty() && attr[0] == ' ') attr.erase(0, 1);
    const size_t eq = attr.find('=');
    std::string key = attr.substr(0, eq), val = eq == std::string::npos ? "" : attr.substr(eq + 1);
    if (first && cname.empty()) {
      cname = key;
      value = val;
    } else if (first) {
      value = attr;
    } else {
      std::transform(key.begin(), key.end(), key.begin(), ::tolower);
      if (key == "path") cpath = val;
      if (key == "domain") domain = val;
    }
    first = false;
  }
  if (cname.empty()) return Fail(error::kInvalidParameter);
  std::lock_guard lock(g_cookieMutex);
  const std::string path = CookieFile();
  std::ifstream in(path);
  std::string kept, line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string d, s, p, sec, e, n;
    std::getline(f, d, '\t'); std::getline(f, s, '\t'); std::getline(f, p, '\t');
    std::getline(f, sec, '\t'); std::getline(f, e, '\t'); std::getline(f, n, '\t');
    if (!(d == domain && p == cpath && n == cname)) kept += line + "\n";
  }
  in.close();
  kept += domain + "\tFALSE\t" + cpath + "\tFALSE\t0\t" + cname + "\t" + value + "\n";
  const std::string folder = path.substr(0, path.rfind('/'));
  for (size_t i = 1; i <= folder.size(); ++i)
    if (i == folder.size() || folder[i] == '/') ::mkdir(folder.substr(0, i).c_str(), 0700);
  const std::string temp = path + ".tmp";
  {
    std::ofstream outFile(temp, std::ios::binary | std::ios::trunc);
    outFile << kept;
    if (!outFile) return Fail(error::kAccessDenied);
  }
  return std::rename(temp.c_str(), path.c_str()) == 0 || Fail(error::kAccessDenied);
}

}  // namespace vard::platform
