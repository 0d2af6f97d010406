#pragma once
// What every view of the control's download dialogs hands the presenter:
// the list dialog's settings from the control's dialog state, and this
// system's services (clock, pack texts, documents folder, shell, log).
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "control/DownloadDialogState.h"
#include "control/FolderSettings.h"
#include "control/engine/DownloadDialog.h"
#include "control/engine/DownloadTarget.h"
#include "control/engine/SingleFileRun.h"

namespace vard {

// The list download dialog's settings: with full paths (rows dropped into
// a folder) the run starts by itself.
DownloadDialogConfig ListDialogConfig(const DownloadDialogState& state);

// Makes the output of one dialog: the system's protected-mode output, which
// takes a broker for each run where the system wants one.
using OutputFactory = std::function<std::unique_ptr<IDownloadTarget>()>;
OutputFactory SystemOutputFactory();

// One download dialog with the output made for it: what every view of the
// control's download dialogs runs, so that no view writes around the
// protected-mode output.
class WiredDownloadDialog {
 public:
  WiredDownloadDialog(FolderSettings& folders, const OutputFactory& makeOutput, DownloadDialogConfig config,
                      std::vector<DownloadItem> items);
  DownloadDialog& Dialog() { return dialog_; }

 private:
  std::unique_ptr<IDownloadTarget> output_;  // outlives the dialog's worker
  DownloadDialog dialog_;
};

// The system's services for one dialog writing through `target`.
DownloadDialogServices SystemDialogServices(FolderSettings& folders, IDownloadTarget& target);

// A download-and-open's steps on the real system; the view adds its
// existing-file question.
SingleFileSteps SystemSingleFileSteps();

// Opens a finished file: nothing when the shell opened it, else the
// system's text for why not.
std::optional<std::u16string> OpenWithShell(const std::u16string& path);

}  // namespace vard
