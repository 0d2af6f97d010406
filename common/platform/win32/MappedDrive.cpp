#include "common/platform/MappedDrive.h"

#include <windows.h>
#include <winnetwk.h>

namespace vard::platform {

std::optional<std::u16string> MappedDriveTarget(const std::u16string& drive) {
  wchar_t remote[1024] = {};
  DWORD size = 1024;
  if (WNetGetConnectionW(reinterpret_cast<const wchar_t*>(drive.c_str()), remote, &size) != NO_ERROR)
    return std::nullopt;
  return std::u16string(reinterpret_cast<const char16_t*>(remote));
}

}  // namespace vard::platform
