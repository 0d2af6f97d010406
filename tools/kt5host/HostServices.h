#pragma once
// The services the host gives its control: the defaults, plus whatever
// modules of the system are available to it.
#include "control/ControlServices.h"

namespace vard {

ControlServices HostServices();

}  // namespace vard
