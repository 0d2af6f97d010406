#pragma once
// The control library's composition root: the one place that decides which
// service the control gets for each seam in this program. Work that exists
// is wired for real; work still to be built is wired to a stand-in that
// says "not available yet" on the debug output, so that building it means
// replacing one line here.
#include "control/ControlServices.h"

namespace vard {

// `debug` receives the stand-ins' lines; empty: the system's debug output.
ControlServices ComposeControlServices(DebugSink debug = {});

}  // namespace vard
