#pragma once
// A transfer's request over the HTTP client layer: each engine opens it its
// own way (plain, or with a page's cookie along the redirects); the failures
// that layer throws become the transfer's answers. Used on one thread.
#include <functional>

#include "common/http/InternetHandles.h"
#include "common/transfer/TransferRequest.h"

namespace vard::transfer {

class HttpTransferRequest final : public ITransferRequest {
 public:
  // Opens `file` for the URL with the headers; throws CInternetException.
  using Opener = std::function<void(CHttpFile& file, const std::u16string& url, const std::u16string& headers)>;
  explicit HttpTransferRequest(Opener open) : open_(std::move(open)) {}

  bool Open(const std::u16string& url, const std::u16string& headers, uint32_t& status) override;
  std::optional<std::u16string> ContentRange() override;
  std::optional<std::u16string> ContentLength() override;
  std::optional<uint32_t> Available() override;
  std::optional<uint32_t> Read(uint8_t* into, uint32_t count) override;
  std::u16string Url() override { return file_.Url(); }
  void Close() override { file_.Close(); }

 private:
  std::optional<std::u16string> Text(uint32_t query);

  Opener open_;
  CHttpFile file_;
};

}  // namespace vard::transfer
