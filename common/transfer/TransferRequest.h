#pragma once
// One HTTP request of a transfer, as the transfer sees it: opened with its
// URL and headers, answered with a status and two headers, and read in
// blocks. A failure of the network is an answer here (false, none), never
// an exception. Used on the transfer's thread; reopened for each request.
#include <cstdint>
#include <optional>
#include <string>

namespace vard::transfer {

class ITransferRequest {
 public:
  virtual ~ITransferRequest() = default;
  // Sends the request and reads the answer's status (0 when it has none);
  // false when no answer came (the request is closed then).
  virtual bool Open(const std::u16string& url, const std::u16string& headers, uint32_t& status) = 0;
  // The answer's Content-Range and Content-Length texts; none when absent.
  virtual std::optional<std::u16string> ContentRange() = 0;
  virtual std::optional<std::u16string> ContentLength() = 0;
  // Bytes that can be read now, 0 at the end of the body; none when the
  // body broke.
  virtual std::optional<uint32_t> Available() = 0;
  // Bytes read into `into` (at most `count`); none when the body broke.
  virtual std::optional<uint32_t> Read(uint8_t* into, uint32_t count) = 0;
  // The URL the answer came from, after its redirects; empty when the
  // request cannot say.
  virtual std::u16string Url() { return {}; }
  virtual void Close() = 0;
};

}  // namespace vard::transfer
