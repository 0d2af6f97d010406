#include "common/platform/ErrorText.h"

#include <windows.h>

#include "common/platform/win32/Wide.h"

namespace vard::platform {

std::u16string SystemErrorText(uint32_t code) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string out = n && text ? win32::U(text, n) : u"Error " + win32::U(std::to_wstring(code).c_str());
  if (text) ::LocalFree(text);
  while (!out.empty() && (out.back() == u'\n' || out.back() == u'\r')) out.pop_back();
  return out;
}

}  // namespace vard::platform
