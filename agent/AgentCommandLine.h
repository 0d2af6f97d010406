#pragma once
// The agent's command line: one string searched for the keys "-M" (mode),
// "-L" (language) and "-KTLOG" (diagnostic log).
#include <cstddef>
#include <string>
#include <string_view>

#include "agent/AgentMode.h"

namespace vard {

struct AgentOptions {
  AgentMode mode = AgentMode::kNone;
  std::u16string language;  // the "-L" value as given
  std::u16string log;       // the "-KTLOG" value as given
};

// Windows never passes more than this; a longer line (possible on POSIX) is
// cut before it is searched, so every value stays bounded.
inline constexpr size_t kMaxAgentCommandLine = 32767;

AgentOptions ParseAgentCommandLine(std::u16string_view commandLine);

}  // namespace vard
