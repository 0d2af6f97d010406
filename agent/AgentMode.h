#pragma once
// The agent's mode, set once at start-up, and what each mode decides: its
// instance mutex, window classes, icons, caption and whether a start resets
// the saved-downloads file.
#include <array>
#include <cstdint>

namespace vard {

enum class AgentMode : int32_t { kNone = 0, kUpload = 1, kDownload = 2 };

struct AgentModeFacts {
  const char16_t* instanceMutex;  // null: the process exits
  const char16_t* mainClass;
  const char16_t* viewClass;
  uint32_t icon;                          // window icon and tray icon at rest
  std::array<uint32_t, 3> trayAnimation;  // in order
  const char16_t* caption;
  bool resetsSavedDownloads;
};

const AgentModeFacts& FactsOf(AgentMode mode);

// The process-wide mode every mode-dependent choice reads.
AgentMode CurrentAgentMode();
void SetAgentMode(AgentMode mode);

}  // namespace vard
