#pragma once
// kt5host's composition: the services its control gets, and the script's
// stand-ins in front of the dialogs and the agent.
#include <functional>
#include <ostream>

#include "control/ControlServices.h"

namespace vard {

// The library's own services: what a page's control gets.
ControlServices HostServices();

// `services` with the script playing the user of the list download dialog
// (it prints the batch and ends with `dialogResult()`); batches handed to
// the agent are printed before they go to `services`' hand-off. The other
// dialogs stay those of `services`; null seams are marked as not wired first.
ControlServices ScriptedServices(ControlServices services, std::ostream& out, std::function<int()> dialogResult);

}  // namespace vard
