#include "HostServices.h"

namespace vard {

ControlServices HostServices() { return ControlServices::Defaults(); }

}  // namespace vard
