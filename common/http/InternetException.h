#pragma once
// The one failure of the HTTP layer: the failing call's handle, its error
// codes and a formatted diagnostic message. Thrown by value.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "common/platform/Http.h"
#include "common/text/Printf.h"

namespace vard {

class CInternetException {
 public:
  // Where the server's last response text comes from (the platform's, or a
  // test's that fails on purpose).
  using ResponseInfoSource = bool (*)(uint32_t* error, char16_t* buffer, uint32_t* length);

  // Takes the last error first, then the server's last response text, then
  // formats the message. Both texts are cut to 511 characters.
  CInternetException(platform::InternetHandle handle, std::u16string_view format,
                     std::initializer_list<FormatArg> args = {});
  CInternetException(ResponseInfoSource responseInfo, platform::InternetHandle handle,
                     std::u16string_view format, std::initializer_list<FormatArg> args = {});

  static constexpr size_t kTextCapacity = 512;

  platform::InternetHandle handle = nullptr;
  uint32_t systemError = 0;
  uint32_t responseError = 0;
  std::u16string message;
  std::u16string responseText;
};

}  // namespace vard
