#include "control/PlusHandOff.h"

namespace vard {

PlusHandOff::PlusHandOff(const ControlSettings& settings, const ProgramTitle& title, IAgentHandOff& handOff,
                         ISavedDownloads& saved)
    : settings_(settings), title_(title), handOff_(handOff), saved_(saved) {}

AgentHandOffRequest PlusHandOff::Request() const {
  AgentHandOffRequest r;
  r.pageUrl = settings_.pageUrl;
  r.utf8Urls = settings_.useUnicode;
  r.resumeByQuery = settings_.dialog.useFileSizeQueryString;
  r.rateLimitKb = settings_.dialog.limitRate;
  r.language = settings_.language;
  r.title = title_.Title();
  if (settings_.dialog.useWriteLog) r.logText = settings_.dialog.logSettingText;
  return r;
}

void PlusHandOff::HandOffBatch(std::vector<DownloadItem> batch) {
  AgentHandOffRequest r = Request();
  r.batch = std::move(batch);
  if (!settings_.urlDownloadComplete.empty()) r.notificationUrl = settings_.urlDownloadComplete;
  handOff_.HandOff(r);
}

void PlusHandOff::HandOffSaved() { handOff_.HandOff(Request()); }

std::optional<uint32_t> PlusHandOff::SavedFileCount() { return saved_.PendingCount(); }

}  // namespace vard
