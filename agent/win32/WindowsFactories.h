#pragma once
// Windows only: the agent's real windows for the main window and its view.
#include "agent/views/MainFrame.h"

namespace vard::agentwin {

FrameWindowFactories WindowsFrameWindows();

}  // namespace vard::agentwin
