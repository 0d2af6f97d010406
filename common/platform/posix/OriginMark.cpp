// Marks as the freedesktop attributes of the file.
#include "common/platform/OriginMark.h"

#include <sys/xattr.h>

#include "common/platform/posix/PosixPath.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

constexpr char kOrigin[] = "user.xdg.origin.url";
constexpr char kReferrer[] = "user.xdg.referrer.url";

bool Set(const std::string& path, const char* name, const std::u16string& value) {
  if (value.empty()) return ::removexattr(path.c_str(), name) == 0 || errno == ENODATA;
  const std::string bytes = Utf16ToUtf8(value);
  return ::setxattr(path.c_str(), name, bytes.data(), bytes.size(), 0) == 0;
}

std::optional<std::u16string> Get(const std::string& path, const char* name) {
  const ssize_t size = ::getxattr(path.c_str(), name, nullptr, 0);
  if (size < 0) return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  const ssize_t got = ::getxattr(path.c_str(), name, bytes.data(), bytes.size());
  if (got < 0) return std::nullopt;
  bytes.resize(static_cast<size_t>(got));
  return Utf8ToUtf16(bytes);
}

}  // namespace

bool WriteFileOriginMark(const std::u16string& path, const OriginMark& mark) {
  const std::string os = posix::ToOsPath(path);
  // The zone has no attribute of its own: the URLs say it.
  return Set(os, kOrigin, mark.hostUrl) && Set(os, kReferrer, mark.referrerUrl);
}

std::optional<OriginMark> ReadFileOriginMark(const std::u16string& path) {
  const std::string os = posix::ToOsPath(path);
  const auto origin = Get(os, kOrigin);
  if (!origin) return std::nullopt;
  OriginMark mark;
  mark.hostUrl = *origin;
  mark.referrerUrl = Get(os, kReferrer).value_or(u"");
  mark.zone = ZoneOfUrl(mark.hostUrl);
  return mark;
}

std::optional<std::u16string> OriginMarkStreamPath(const std::u16string&) { return std::nullopt; }

}  // namespace vard::platform
