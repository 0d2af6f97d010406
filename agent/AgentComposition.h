#pragma once
// The agent program's composition root: the real services of this system
// wired into the start-up sequence.
#include <string_view>

namespace vard {

// Runs the agent with its whole command line; returns the exit code.
int AgentMain(std::u16string_view commandLine);

}  // namespace vard
