#pragma once
// The control's services in its Windows module: the library's composition
// with the Windows shell in place of the portable stand-ins.
#include <memory>

#include "control/ControlServices.h"
#include "control/win32/WindowsDownloadDialogs.h"

namespace vard::com {

// `window` is where the dialogs find their owner once the control has a
// window.
ControlServices ComposeWindowsControlServices(std::shared_ptr<ControlWindowHandle> window);

}  // namespace vard::com
