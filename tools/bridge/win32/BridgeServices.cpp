#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "control/win32/WindowsComposition.h"
#include "tools/bridge/BridgeServices.h"

namespace vard::bridge {

void PrepareProcess() {
  // The folder browser and the dialogs' controls need both.
  ::OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&icc);
}

bool BrowsersReadTheRegistry() { return true; }

// The Windows dialogs draw their own progress: the page hears the events.
ControlServices BridgeServices(std::function<void(const std::string& line)>) {
  return com::ComposeWindowsControlServices(std::make_shared<com::ControlWindowHandle>());
}

}  // namespace vard::bridge
