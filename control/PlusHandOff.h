#pragma once
// The Plus downloads: batches handed to the transfer agent instead of the
// control's own dialog, and the saved downloads earlier agents left
// unfinished. Builds the hand-off from the settings; the caller reloads the
// pack where a hand-off needs it. A page the control does not trust hands
// over only names its own runs would take, and tells only its own origin
// of finished files. Owned by the control; on its thread.
#include <cstdint>
#include <optional>
#include <vector>

#include "control/ControlServices.h"
#include "control/ControlSettings.h"
#include "control/ProgramTitle.h"
#include "control/services/AgentHandOff.h"

namespace vard {

class PlusHandOff {
 public:
  PlusHandOff(const ControlSettings& settings, const ProgramTitle& title, IAgentHandOff& handOff,
              ISavedDownloads& saved, DebugSink debug);

  // StartPlusDownload and StartPlusSelectDownload.
  void HandOffBatch(std::vector<DownloadItem> batch);
  // SavedDownload: the pending saved records, without a notification URL.
  void HandOffSaved();
  std::optional<uint32_t> SavedFileCount();

 private:
  AgentHandOffRequest Request() const;
  // The untrusted page's items whose names the agent may write; the others
  // are named on the debug output.
  std::vector<DownloadItem> NamesAnUntrustedPageMayHand(std::vector<DownloadItem> batch) const;
  std::optional<std::u16string> NotificationUrl() const;
  std::u16string PageOrigin() const;

  const ControlSettings& settings_;
  const ProgramTitle& title_;
  IAgentHandOff& handOff_;
  ISavedDownloads& saved_;
  DebugSink debug_;
};

}  // namespace vard
