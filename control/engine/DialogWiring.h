#pragma once
// What every view of the control's download dialogs hands the presenter:
// the list dialog's settings from the control's dialog state, and this
// system's services (clock, pack texts, documents folder, shell, log).
#include <optional>
#include <string>

#include "control/DownloadDialogState.h"
#include "control/FolderSettings.h"
#include "control/engine/DownloadDialog.h"
#include "control/engine/DownloadTarget.h"

namespace vard {

// The list download dialog's settings; the caller decides the start.
DownloadDialogConfig ListDialogConfig(const DownloadDialogState& state);

// The system's services for one dialog writing through `target`.
DownloadDialogServices SystemDialogServices(FolderSettings& folders, IDownloadTarget& target);

// Opens a finished file: nothing when the shell opened it, else the
// system's text for why not.
std::optional<std::u16string> OpenWithShell(const std::u16string& path);

}  // namespace vard
