#pragma once
// The size query of the control: the Content-Length a server answers for a
// URL, asked over a session of its own. Used where the page gives a size of
// 0 (the list, the single downloads). Blocks the calling thread until the
// answer's headers are in; no body is read.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "common/http/InternetHandles.h"
#include "control/services/ControlNetwork.h"

namespace vard {

// The URL is always escaped (from UTF-8 when `utf8`, else from the ANSI
// code page). None when the session or the request fails, or the answer has
// no Content-Length: the size is then unknown, and a download fetches the
// body to its end.
std::optional<int64_t> QueryRemoteSize(const std::u16string& url, bool utf8);

// Size queries that the page's going away ends: Abort() closes the session
// of a query in flight (from any thread) and answers every later one with
// "unknown" at once.
class RemoteSizeQuery {
 public:
  std::optional<int64_t> Ask(const std::u16string& url, bool utf8);
  void Abort();
  bool Aborted() const;

 private:
  mutable std::mutex mutex_;
  bool aborted_ = false;
  CInternetSession* open_ = nullptr;  // the session of the query in flight
};

// The control's network seam over the HTTP layer. A query runs while the
// page's thread stays responsive, so the page's going away can end it.
class HttpControlNetwork final : public IControlNetwork {
 public:
  std::optional<int64_t> QueryRemoteSize(const std::u16string& url, bool utf8) override;
  void PageGoingAway() override { query_.Abort(); }

 private:
  RemoteSizeQuery query_;
};

}  // namespace vard
