#pragma once
// The control's services in its Windows module: the library's composition
// with the Windows shell in place of the portable stand-ins.
#include "control/ControlServices.h"

namespace vard::com {

ControlServices ComposeWindowsControlServices();

}  // namespace vard::com
