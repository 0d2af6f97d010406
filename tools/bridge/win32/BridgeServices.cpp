#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "control/win32/WindowsComposition.h"
#include "tools/bridge/BridgeServices.h"
#include "tools/bridge/win32/DialogProgress.h"

namespace vard::bridge {

void PrepareProcess() {
  // The folder browser and the dialogs' controls need both.
  ::OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&icc);
}

bool BrowsersReadTheRegistry() { return true; }

// The person sees the real dialogs; the page hears what they show.
ControlServices BridgeServices(std::function<void(const std::string& line)> progress) {
  ControlServices s = com::ComposeWindowsControlServices(std::make_shared<com::ControlWindowHandle>());
  s.dialogs = WithDialogProgress(std::move(s.dialogs), std::move(progress));
  return s;
}

}  // namespace vard::bridge
