#include "common/platform/OriginMark.h"

#include "common/platform/UrlOrigin.h"
#include "common/platform/UrlZone.h"
#include "common/text/LineBreaks.h"
#include "common/text/Utf.h"

namespace vard::platform {
OriginMark MakeOriginMark(const std::u16string& fileUrl, const std::u16string& pageUrl, UrlZone zone) {
  // Each URL is one line of the mark.
  return {WithoutLineBreaks(WithoutUserInfo(fileUrl)), WithoutLineBreaks(WithoutUserInfo(pageUrl)), zone};
}

OriginMark DownloadOriginMark(const std::u16string& fileUrl, const std::u16string& pageUrl,
                              std::optional<UrlZone> pageZone) {
  return MakeOriginMark(fileUrl, pageUrl, MarkZone(pageZone, ZoneOfUrl(fileUrl)));
}

std::string ZoneIdentifierText(const OriginMark& mark) {
  std::string text = "[ZoneTransfer]\r\nZoneId=" + std::to_string(static_cast<uint32_t>(mark.zone)) + "\r\n";
  if (!mark.referrerUrl.empty()) text += "ReferrerUrl=" + Utf16ToUtf8(mark.referrerUrl) + "\r\n";
  if (!mark.hostUrl.empty()) text += "HostUrl=" + Utf16ToUtf8(mark.hostUrl) + "\r\n";
  return text;
}

std::optional<OriginMark> ParseZoneIdentifier(const std::string& text) {
  OriginMark mark;
  bool section = false, zone = false;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "[ZoneTransfer]") {
      section = true;
    } else if (section && line.starts_with("ZoneId=") && line.size() == 8 && line[7] >= '0' && line[7] <= '4') {
      mark.zone = static_cast<UrlZone>(line[7] - '0');
      zone = true;
    } else if (section && line.starts_with("ReferrerUrl=")) {
      mark.referrerUrl = Utf8ToUtf16(line.substr(12));
    } else if (section && line.starts_with("HostUrl=")) {
      mark.hostUrl = Utf8ToUtf16(line.substr(8));
    }
  }
  if (!section || !zone) return std::nullopt;
  return mark;
}

}  // namespace vard::platform
