#include "control/engine/RemoteSize.h"

#include "common/http/InternetHandles.h"
#include "common/text/UrlEncoding.h"
#include "common/transfer/BodyPlacement.h"

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
    return transfer::ParseContentLength(text);
  } catch (const CInternetException&) {
    return std::nullopt;
  }
}

}  // namespace vard
