#include "common/platform/CodePage.h"

#include <windows.h>

namespace vard::platform {

std::string Utf16ToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* src = reinterpret_cast<const wchar_t*>(text.data());
  const int n = ::WideCharToMultiByte(CP_THREAD_ACP, 0, src, static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0)
    ::WideCharToMultiByte(CP_THREAD_ACP, 0, src, static_cast<int>(text.size()), out.data(), n, nullptr,
                          nullptr);
  return out;
}

std::u16string AnsiToUtf16(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
  std::u16string out(n > 0 ? n : 0, u'\0');
  if (n > 0)
    ::MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                          reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

}  // namespace vard::platform
