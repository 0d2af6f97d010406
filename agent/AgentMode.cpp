#include "agent/AgentMode.h"

#include <atomic>

#include "common/handoff/AgentNames.h"

namespace vard {
namespace {

constexpr AgentModeFacts kNone{nullptr, nullptr, nullptr, 128, {128, 128, 128}, u"", false};
constexpr AgentModeFacts kUpload{kUploadAgentMutex, kUploadMainClass, kUploadViewClass, 204, {204, 205, 203},
                                 u"VardMW+", false};
constexpr AgentModeFacts kDownload{kDownloadAgentMutex, kDownloadMainClass, kDownloadViewClass, 206, {206, 207, 208},
                                   u"VardKT+", true};

std::atomic<AgentMode> g_mode{AgentMode::kNone};

}  // namespace

const AgentModeFacts& FactsOf(AgentMode mode) {
  switch (mode) {
    case AgentMode::kUpload: return kUpload;
    case AgentMode::kDownload: return kDownload;
    default: return kNone;
  }
}

AgentMode CurrentAgentMode() { return g_mode.load(); }
void SetAgentMode(AgentMode mode) { g_mode.store(mode); }

}  // namespace vard
