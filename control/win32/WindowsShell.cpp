#include "control/win32/WindowsShell.h"

#include <windows.h>
#include <shellapi.h>

#include "control/services/MissingServices.h"
#include "control/win32/Bstr.h"

namespace vard::com {

int32_t WindowsShell::IconIndex(const std::u16string& name, bool directory) {
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(Wide(name), directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                      SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
    return 0;
  return info.iIcon;
}

void WindowsShell::DragOut(std::function<void(const std::u16string& folder)>) {
  if (debug_) debug_(MissingSeamLine(u"shell", kSeamNotAvailableYet, u"DragOut"));
}

}  // namespace vard::com
