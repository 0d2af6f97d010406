// Entry of the control module. The COM class factory and registration come
// with the Windows hosting glue; until then the module offers a plain
// constructor for in-process hosts.
#include "common/platform/Export.h"
#include "control/CKT5Ctrl.h"

VARD_EXPORT void* VardKT5_CreateControl() { return new vard::CKT5Ctrl(); }
VARD_EXPORT void VardKT5_DestroyControl(void* ctrl) { delete static_cast<vard::CKT5Ctrl*>(ctrl); }
