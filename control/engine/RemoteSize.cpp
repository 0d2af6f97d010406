#include "control/engine/RemoteSize.h"

#include "common/platform/RespondingWait.h"
#include "common/text/UrlEncoding.h"
#include "common/transfer/BodyPlacement.h"

namespace vard {
namespace {

std::optional<int64_t> AskOver(CInternetSession& session, const std::u16string& url, bool utf8) {
  namespace inet = platform::inet;
  CHttpFile request;
  request.OpenUrl(session.Handle(), EncodeUrl(url, utf8), u"", inet::kFlagReload);
  std::u16string text;
  if (!request.QueryInfoText(inet::kQueryContentLength, text) || text.empty()) return std::nullopt;
  return transfer::ParseContentLength(text);
}

std::optional<int64_t> AskOrUnknown(CInternetSession& session, const std::u16string& url, bool utf8) {
  try {
    return AskOver(session, url, utf8);
  } catch (const CInternetException&) {
    return std::nullopt;
  }
}

CInternetSession& Opened(CInternetSession& session) {
  session.Open(u"VardFileDownloader", 0, nullptr, nullptr, 0);
  return session;
}

}  // namespace

std::optional<int64_t> QueryRemoteSize(const std::u16string& url, bool utf8) {
  try {
    CInternetSession session;
    return AskOver(Opened(session), url, utf8);
  } catch (const CInternetException&) {
    return std::nullopt;
  }
}

std::optional<int64_t> RemoteSizeQuery::Ask(const std::u16string& url, bool utf8) {
  CInternetSession session;
  try {
    Opened(session);
  } catch (const CInternetException&) {
    return std::nullopt;
  }
  {
    std::lock_guard lock(mutex_);
    if (aborted_) return std::nullopt;
    open_ = &session;
  }
  const std::optional<int64_t> size = AskOrUnknown(session, url, utf8);
  std::lock_guard lock(mutex_);
  open_ = nullptr;
  if (aborted_) return std::nullopt;
  return size;
}

void RemoteSizeQuery::Abort() {
  std::lock_guard lock(mutex_);
  aborted_ = true;
  if (open_) open_->Close();
}

bool RemoteSizeQuery::Aborted() const {
  std::lock_guard lock(mutex_);
  return aborted_;
}

std::optional<int64_t> HttpControlNetwork::QueryRemoteSize(const std::u16string& url, bool utf8) {
  std::optional<int64_t> size;
  platform::RunResponding([&] { size = query_.Ask(url, utf8); });
  return size;
}

}  // namespace vard
