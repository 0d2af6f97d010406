#include "common/platform/ConsoleText.h"

#include <windows.h>

namespace vard::platform {

std::string ConsoleText(std::u16string_view text) {
  if (text.empty()) return {};
  UINT codePage = ::GetConsoleOutputCP();
  if (codePage == 0) codePage = CP_ACP;  // no console
  const auto* src = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int n = ::WideCharToMultiByte(codePage, 0, src, length, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) ::WideCharToMultiByte(codePage, 0, src, length, out.data(), n, nullptr, nullptr);
  return out;
}

std::string SystemMessageText(uint32_t code) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (n && buffer) text = ConsoleText(std::u16string_view(reinterpret_cast<const char16_t*>(buffer), n));
  if (buffer) ::LocalFree(buffer);
  return text;
}

}  // namespace vard::platform
