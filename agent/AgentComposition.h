#pragma once
// The agent program's composition root: the real services of this system
// wired into the start-up sequence.
#include <string_view>

#include "agent/views/MainFrame.h"

namespace vard {

// Runs the agent with its whole command line and the system's windows
// (none: the console view); returns the exit code.
int AgentMain(std::u16string_view commandLine, FrameWindowFactories windows = {});

}  // namespace vard
