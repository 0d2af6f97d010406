#include "common/platform/Shell.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "common/platform/win32/Wide.h"

namespace vard::platform {

int ShellIconIndex(const std::u16string& name, uint32_t attributes) {
  SHFILEINFOW info{};
  if (!::SHGetFileInfoW(win32::W(name), attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES))
    return 0;
  return info.iIcon;
}

bool ShellOpen(const std::u16string& path) {
  // Values above 32 mean the shell started something.
  const auto result = reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", win32::W(path), nullptr, nullptr,
                                                                SW_SHOWNORMAL));
  if (result > 32) return true;
  if (::GetLastError() == 0) ::SetLastError(ERROR_FILE_NOT_FOUND);
  return false;
}

void ShellNotifyCreated(const std::u16string& path) {
  ::SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW | SHCNF_FLUSH, win32::W(path), nullptr);
}

}  // namespace vard::platform
