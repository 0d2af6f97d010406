#pragma once
// The network as the control's list and single downloads need it outside a
// download run: the size of a file the page gave no size for.
#include <cstdint>
#include <optional>
#include <string>

namespace vard {

class IControlNetwork {
 public:
  virtual ~IControlNetwork() = default;
  // The server's Content-Length for `url` (escaped from its UTF-8 bytes when
  // `utf8`, else from the ANSI code page); 0 when unknown or failed.
  virtual std::optional<int64_t> QueryRemoteSize(const std::u16string& url, bool utf8) = 0;
  // The page is going away: a query in flight ends at once (from any
  // thread), and later ones answer "unknown" without a request.
  virtual void PageGoingAway() = 0;
};

}  // namespace vard
