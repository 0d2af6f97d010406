#include "control/engine/RemoteSize.h"

#include "common/http/InternetHandles.h"
#include "common/text/UrlEncoding.h"

namespace vard {

std::optional<int64_t> QueryRemoteSize(const std::u16string& url, bool utf8) {
  namespace inet = platform::inet;
  try {
    CInternetSession session;
    session.Open(u"VardFileDownloader", 0, nullptr, nullptr, 0);
    CHttpFile request;
    request.OpenUrl(session.Handle(), EncodeUrl(url, utf8), u"", inet::kFlagReload);
    std::u16string text;
    if (!request.QueryInfoText(inet::kQueryContentLength, text) || text.empty()) return std::nullopt;
    int64_t n = 0;
    for (char16_t c : text) {
      if (c < u'0' || c > u'9' || n > (INT64_MAX - 9) / 10) return std::nullopt;
      n = n * 10 + (c - u'0');
    }
    return n;
  } catch (const CInternetException&) {
    return std::nullopt;
  }
}

}  // namespace vard
