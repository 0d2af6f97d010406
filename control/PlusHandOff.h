#pragma once
// The Plus downloads: batches handed to the transfer agent instead of the
// control's own dialog, and the saved downloads earlier agents left
// unfinished. Builds the hand-off from the settings; the caller reloads the
// pack where a hand-off needs it. Owned by the control; on its thread.
#include <cstdint>
#include <optional>
#include <vector>

#include "control/ControlSettings.h"
#include "control/ProgramTitle.h"
#include "control/services/AgentHandOff.h"

namespace vard {

class PlusHandOff {
 public:
  PlusHandOff(const ControlSettings& settings, const ProgramTitle& title, IAgentHandOff& handOff,
              ISavedDownloads& saved);

  // StartPlusDownload and StartPlusSelectDownload.
  void HandOffBatch(std::vector<DownloadItem> batch);
  // SavedDownload: the pending saved records, without a notification URL.
  void HandOffSaved();
  std::optional<uint32_t> SavedFileCount();

 private:
  AgentHandOffRequest Request() const;

  const ControlSettings& settings_;
  const ProgramTitle& title_;
  IAgentHandOff& handOff_;
  ISavedDownloads& saved_;
};

}  // namespace vard
