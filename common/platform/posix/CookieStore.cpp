// The cookie store of the libcurl backend: a Netscape cookie file (domain,
// subdomains, path, secure, expiry, name, value; tab-separated), read and
// rewritten whole under one lock. What may be stored follows RFC 6265: a
// Domain must take in the host and must not be a public suffix (the list
// libcurl's own engine uses), an IP-address host gets host-only cookies, and
// Secure cookies come only over https.
#include <sys/stat.h>  // chmod

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "common/platform/FileSystem.h"
#include "common/platform/Http.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/posix/CookieFile.h"
#include "common/platform/posix/HttpText.h"
#include "common/platform/posix/PosixPath.h"
#include "common/platform/posix/PublicSuffixList.h"
#include "common/text/Utf.h"

namespace vard::platform {

namespace posix {
// Empty when the data folder cannot be made.
std::string CookieFilePath() {
  const std::u16string folder = DataFolder();
  return folder.empty() ? std::string() : posix::ToOsPath(folder) + "/cookies.txt";
}
}  // namespace posix

namespace {

constexpr uint32_t kNoMoreItems = 259;  // ERROR_NO_MORE_ITEMS

using posix::Fail;

using posix::CookieFilePath;

std::mutex g_cookieMutex;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::string Trim(const std::string &s) {
  const size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool IsIpAddress(const std::string &host) {
  return host.find(':') != std::string::npos ||
         (!host.empty() && host.find_first_not_of("0123456789.") == std::string::npos);
}

// A host matches a cookie domain when it is the domain or a name below it;
// an address matches only itself.
bool DomainMatches(const std::string &host, std::string domain) {
  if (!domain.empty() && domain[0] == '.') domain.erase(0, 1);
  domain = Lower(domain);
  const std::string h = Lower(host);
  if (domain.empty()) return false;
  return h == domain || (!IsIpAddress(h) && h.size() > domain.size() && h.ends_with("." + domain));
}

// "/a" covers "/a", "/a/" and "/a/b", not "/ab".
bool PathMatches(const std::string &requestPath, const std::string &cookiePath) {
  if (requestPath.rfind(cookiePath, 0) != 0) return false;
  return requestPath.size() == cookiePath.size() || cookiePath.ends_with('/') ||
         requestPath[cookiePath.size()] == '/';
}

// A Domain attribute a host may set: the host itself or a domain above it
// that is not a public suffix; for an IP address only the address itself.
bool DomainAcceptable(const std::string &host, const std::string &domain) {
  // Without the list no Domain is taken: a public suffix must never pass.
  const auto &suffixes = posix::PublicSuffixList::Get();
  if (IsIpAddress(host)) return host == domain;
  return DomainMatches(host, domain) && suffixes.list && suffixes.cookieDomainAcceptable &&
         suffixes.cookieDomainAcceptable(suffixes.list, host.c_str(), domain.c_str()) == 1;
}

// The dates of "expires": "Wdy, DD Mon YYYY HH:MM:SS GMT" and the older
// "Wdy, DD-Mon-YY HH:MM:SS GMT". -1 when the text is no such date.
int64_t ParseCookieDate(const std::string &text) {
  static const char *const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
  int day = -1, month = -1, year = -1, hour = -1, minute = 0, second = 0;
  std::string token;
  std::istringstream words(text);
  while (std::getline(words, token, ' ')) {
    std::replace(token.begin(), token.end(), '-', ' ');
    std::istringstream parts(token);
    std::string part;
    while (parts >> part) {
      if (part.find(':') != std::string::npos) {
        if (std::sscanf(part.c_str(), "%d:%d:%d", &hour, &minute, &second) < 2) return -1;
      } else if (std::isdigit(static_cast<unsigned char>(part[0]))) {
        const int n = std::atoi(part.c_str());
        (day < 0 ? day : year) = n;
      } else {
        for (int m = 0; m < 12; ++m)
          if (Lower(part).rfind(kMonths[m], 0) == 0) month = m;
      }
    }
  }
  if (year >= 0 && year < 70) year += 2000;
  if (year >= 70 && year < 100) year += 1900;
  if (day < 1 || day > 31 || month < 0 || year < 1601 || hour < 0) return -1;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return static_cast<int64_t>(::timegm(&tm));
}

bool Expired(int64_t expiry) { return expiry != 0 && expiry <= static_cast<int64_t>(std::time(nullptr)); }

struct CookieLine {
  std::string domain, subdomains, path, secure, expiry, name, value;

  static CookieLine Parse(const std::string &line) {
    CookieLine c;
    std::istringstream fields(line);
    for (std::string *f : {&c.domain, &c.subdomains, &c.path, &c.secure, &c.expiry, &c.name})
      std::getline(fields, *f, '\t');
    std::getline(fields, c.value);
    return c;
  }
  std::string Text() const {
    return domain + "\t" + subdomains + "\t" + path + "\t" + secure + "\t" + expiry + "\t" + name + "\t" + value;
  }
  int64_t Expiry() const { return std::atoll(expiry.c_str()); }
};

}  // namespace

namespace {

// The cookies the store sends to `url` (all names when `name` is empty).
std::vector<CookieLine> CookiesFor(std::u16string_view url, std::u16string_view name) {
  std::vector<CookieLine> chosen;
  UrlComponents parts;
  if (!CrackUrl(url, parts)) return chosen;
  const std::string host = posix::Narrow(parts.host), path = posix::Narrow(parts.path);
  const bool secureUrl = parts.schemeNumber == inet::Scheme::kHttps;
  const std::string wanted = posix::Narrow(name);
  std::lock_guard lock(g_cookieMutex);
  std::ifstream file(CookieFilePath());
  std::string line;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') continue;
    CookieLine c = CookieLine::Parse(line);
    const bool hostOnly = c.subdomains != "TRUE";
    if (!DomainMatches(host, c.domain) || (hostOnly && Lower(host) != Lower(c.domain)) ||
        !PathMatches(path.empty() ? "/" : path, c.path))
      continue;
    // Secure cookies never go out over plain connections.
    if ((c.secure == "TRUE" && !secureUrl) || Expired(c.Expiry())) continue;
    if (!wanted.empty() && c.name != wanted) continue;
    chosen.push_back(std::move(c));
  }
  return chosen;
}

}  // namespace

bool GetCookie(std::u16string_view url, std::u16string_view name, std::u16string &out) {
  out.clear();
  UrlComponents parts;
  if (!CrackUrl(url, parts)) return false;
  std::string result;
  for (const CookieLine &c : CookiesFor(url, name)) result += (result.empty() ? "" : "; ") + c.name + "=" + c.value;
  if (result.empty()) return Fail(kNoMoreItems);
  out = Utf8ToUtf16(result);
  return true;
}

std::optional<bool> AnySecureCookie(std::u16string_view url) {
  for (const CookieLine &c : CookiesFor(url, u""))
    if (c.secure == "TRUE") return true;
  return false;
}

bool SetCookie(std::u16string_view url, std::u16string_view name, std::u16string_view data) {
  UrlComponents parts;
  if (!CrackUrl(url, parts)) return false;
  const std::string text = posix::Narrow(data), host = posix::Narrow(parts.host);
  // A tab or line break would forge fields or whole cookies in the file.
  if (text.find_first_of("\t\r\n") != std::string::npos ||
      posix::Narrow(name).find_first_of("\t\r\n") != std::string::npos)
    return Fail(error::kInvalidParameter);
  CookieLine cookie{host, "FALSE", "/", "FALSE", "0", posix::Narrow(name), {}};
  int64_t expiry = 0;
  std::istringstream attrs(text);
  std::string attr;
  for (bool first = true; std::getline(attrs, attr, ';'); first = false) {
    attr = Trim(attr);
    const size_t eq = attr.find('=');
    const std::string key = Trim(attr.substr(0, eq)), val = eq == std::string::npos ? "" : Trim(attr.substr(eq + 1));
    if (first) {
      if (cookie.name.empty()) {
        cookie.name = key;
        cookie.value = val;
      } else {
        cookie.value = attr;
      }
      continue;
    }
    const std::string k = Lower(key);
    if (k == "path" && !val.empty()) cookie.path = val;
    if (k == "secure") cookie.secure = "TRUE";
    if (k == "expires") {
      const int64_t when = ParseCookieDate(val);
      if (when >= 0) expiry = when == 0 ? -1 : when;
    }
    if (k == "max-age" && !val.empty()) {
      const int64_t seconds = std::atoll(val.c_str());
      expiry = seconds <= 0 ? -1 : static_cast<int64_t>(std::time(nullptr)) + seconds;
    }
    if (k == "domain" && !val.empty()) {
      // A page may set cookies for its own domain and those above it, never
      // for another site or a whole public suffix.
      const std::string domain = Lower(val[0] == '.' ? val.substr(1) : val);
      if (!DomainAcceptable(Lower(host), domain)) return Fail(error::kInvalidParameter);
      // An address, or exactly the host: host-only.
      if (domain != Lower(host)) {
        cookie.domain = domain;
        cookie.subdomains = "TRUE";
      }
    }
  }
  if (cookie.name.empty()) return Fail(error::kInvalidParameter);
  // A plain connection cannot vouch for a Secure cookie.
  if (cookie.secure == "TRUE" && parts.schemeNumber != inet::Scheme::kHttps) return Fail(error::kInvalidParameter);
  // An expiry in the past deletes the cookie.
  const bool remove = expiry < 0 || Expired(expiry);
  cookie.expiry = std::to_string(remove ? 0 : expiry);

  std::lock_guard lock(g_cookieMutex);
  const std::string path = CookieFilePath();
  std::ifstream in(path);
  std::string kept, line;
  while (std::getline(in, line)) {
    const CookieLine old = CookieLine::Parse(line);
    if (!(old.domain == cookie.domain && old.path == cookie.path && old.name == cookie.name)) kept += line + "\n";
  }
  in.close();
  if (!remove) kept += cookie.Text() + "\n";
  if (path.empty()) return Fail(error::kAccessDenied);
  const std::string temp = path + ".tmp";
  {
    std::ofstream outFile(temp, std::ios::binary | std::ios::trunc);
    outFile << kept;
    if (!outFile) return Fail(error::kAccessDenied);
  }
  ::chmod(temp.c_str(), 0600);  // cookies are credentials
  return std::rename(temp.c_str(), path.c_str()) == 0 || Fail(error::kAccessDenied);
}

}  // namespace vard::platform
