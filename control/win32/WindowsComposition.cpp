#include "control/win32/WindowsComposition.h"

#include "common/platform/Clock.h"
#include "common/platform/Registry.h"
#include "control/ControlComposition.h"
#include "control/engine/RegistryFolders.h"
#include "control/services/MissingServices.h"
#include "control/win32/FolderBrowser.h"
#include "control/win32/WindowsShell.h"

namespace vard::com {

ControlServices ComposeWindowsControlServices(std::shared_ptr<ControlWindowHandle> window) {
  ControlServices s = ComposeControlServices();
  s.dialogs = std::make_shared<WindowsDownloadDialogs>(window);
  s.folders = std::make_shared<RegistryFolders>(
      platform::SystemRegistry(),
      std::make_shared<FolderBrowser>(window, MissingFolders(kSeamNotAvailableYet, s.debug)));
  s.shell = std::make_shared<WindowsShell>(platform::SystemClock(), s.debug);
  return s;
}

}  // namespace vard::com
