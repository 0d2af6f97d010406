#pragma once
// The size query of the control: the Content-Length a server answers for a
// URL, asked over a session of its own. Used where the page gives a size of
// 0 (the list, the single downloads). Blocks the calling thread until the
// answer's headers are in; no body is read.
#include <cstdint>
#include <optional>
#include <string>

#include "control/services/ControlNetwork.h"

namespace vard {

// The URL is always escaped (from UTF-8 when `utf8`, else from the ANSI
// code page). None when the session or the request fails, or the answer has
// no Content-Length: the size is then unknown, and a download fetches the
// body to its end.
std::optional<int64_t> QueryRemoteSize(const std::u16string& url, bool utf8);

// The control's network seam over the HTTP layer.
class HttpControlNetwork final : public IControlNetwork {
 public:
  std::optional<int64_t> QueryRemoteSize(const std::u16string& url, bool utf8) override {
    return vard::QueryRemoteSize(url, utf8);
  }
};

}  // namespace vard
