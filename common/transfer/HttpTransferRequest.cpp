#include "common/transfer/HttpTransferRequest.h"

namespace vard::transfer {
namespace inet = platform::inet;

bool HttpTransferRequest::Open(const std::u16string& url, const std::u16string& headers, uint32_t& status) {
  status = 0;
  try {
    open_(file_, url, headers);
    file_.QueryInfoNumber(inet::kQueryStatusCode | inet::kQueryFlagNumber, status);
    return true;
  } catch (const CInternetException&) {
    file_.Close();
    return false;
  }
}

std::optional<std::u16string> HttpTransferRequest::Text(uint32_t query) {
  std::u16string text;
  try {
    if (file_.QueryInfoText(query, text)) return text;
  } catch (const CInternetException&) {
  }
  return std::nullopt;
}

std::optional<std::u16string> HttpTransferRequest::ContentRange() { return Text(inet::kQueryContentRange); }

std::optional<std::u16string> HttpTransferRequest::ContentLength() { return Text(inet::kQueryContentLength); }

std::optional<uint32_t> HttpTransferRequest::Available() {
  try {
    return file_.QueryDataAvailable();
  } catch (const CInternetException&) {
    return std::nullopt;
  }
}

std::optional<uint32_t> HttpTransferRequest::Read(uint8_t* into, uint32_t count) {
  try {
    return file_.Read(into, count);
  } catch (const CInternetException&) {
    return std::nullopt;
  }
}

}  // namespace vard::transfer
