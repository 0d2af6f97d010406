#pragma once
// The bridge's composition root: the control's real services for a page in
// a browser. On Windows the download dialogs and questions are the
// control's own windows, and what a download dialog shows goes to the page
// as progress; on POSIX the console dialogs answer with their defaults and
// each line they print goes to the page as progress.
#include <functional>
#include <string>

#include "control/ControlServices.h"

namespace vard::bridge {

// What a program needs set up once before it makes controls (COM, common
// controls on Windows; nothing elsewhere).
void PrepareProcess();

// Whether browsers find native hosts through the registry (Windows); on
// POSIX they read manifest files (scripts/install-browser-bridge.sh).
bool BrowsersReadTheRegistry();

// `progress` hears each line of a running download's progress.
ControlServices BridgeServices(std::function<void(const std::string& line)> progress);

}  // namespace vard::bridge
