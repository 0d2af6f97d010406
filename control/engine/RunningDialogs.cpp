#include "control/engine/RunningDialogs.h"

namespace vard {

RunningDialogs::Entry::Entry(RunningDialogs& owner, IDownloadDialogView& view, DownloadDialog& dialog)
    : owner_(owner) {
  std::lock_guard lock(owner_.mutex_);
  it_ = owner_.dialogs_.emplace(owner_.dialogs_.end(), &view, &dialog);
  if (owner_.ending_) owner_.EndOne(view, dialog);
}

RunningDialogs::Entry::~Entry() {
  std::lock_guard lock(owner_.mutex_);
  owner_.dialogs_.erase(it_);
}

void RunningDialogs::EndAll() {
  std::lock_guard lock(mutex_);
  ending_ = true;
  for (auto& [view, dialog] : dialogs_) EndOne(*view, *dialog);
}

void RunningDialogs::EndOne(IDownloadDialogView& view, DownloadDialog& dialog) {
  // A posted task runs only while its view pumps, and the view outlives
  // its entry: the dialog is still there when the task runs.
  view.Post([&dialog] { dialog.OnPageGone(); });
}

}  // namespace vard
