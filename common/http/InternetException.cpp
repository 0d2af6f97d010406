#include "common/http/InternetException.h"

#include "common/platform/FileSystem.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

std::u16string Cut(std::u16string text) {
  if (text.size() >= CInternetException::kTextCapacity)
    text.resize(CInternetException::kTextCapacity - 1);
  return text;
}

}  // namespace

CInternetException::CInternetException(platform::InternetHandle failing, std::u16string_view format,
                                       std::initializer_list<FormatArg> args)
    : CInternetException(&platform::LastResponseInfo, failing, format, args) {}

CInternetException::CInternetException(ResponseInfoSource responseInfo, platform::InternetHandle failing,
                                       std::u16string_view format, std::initializer_list<FormatArg> args)
    : handle(failing), systemError(platform::LastError()) {
  char16_t buffer[kTextCapacity] = {};
  uint32_t length = kTextCapacity;
  if (responseInfo(&responseError, buffer, &length)) {
    responseText = Cut(FromFixedField(buffer, kTextCapacity));
  } else if (platform::LastError() != platform::inet::kInsufficientBuffer) {
    responseText = u"Unknown error";
  }
  message = Cut(FormatText(format, args));
}

}  // namespace vard
