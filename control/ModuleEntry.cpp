// Entry of the control module. The COM class factory and registration come
// with the Windows hosting glue; until then the module offers a plain
// constructor for in-process hosts, with the library's own services.
#include "common/platform/Export.h"
#include "control/CKT5Ctrl.h"
#include "control/ControlComposition.h"

VARD_EXPORT void* VardKT5_CreateControl() { return new vard::CKT5Ctrl(vard::ComposeControlServices()); }
VARD_EXPORT void VardKT5_DestroyControl(void* ctrl) { delete static_cast<vard::CKT5Ctrl*>(ctrl); }
