#include "control/win32/WindowsComposition.h"

#include "common/platform/Clock.h"
#include "control/ControlComposition.h"
#include "control/win32/WindowsShell.h"

namespace vard::com {

ControlServices ComposeWindowsControlServices(std::shared_ptr<ControlWindowHandle> window) {
  ControlServices s = ComposeControlServices();
  s.dialogs = std::make_shared<WindowsDownloadDialogs>(std::move(window), s.dialogs);
  s.shell = std::make_shared<WindowsShell>(platform::SystemClock(), s.debug);
  return s;
}

}  // namespace vard::com
