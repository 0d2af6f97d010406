#pragma once
// The control's download dialogs in windows: the list download in the
// dialog made from the pack's template 104, owned by the control window or
// its parent, or embedded in the control window in child mode; the
// open-or-save question (template 204), the existing-file question (205)
// and the compact single-file dialog (105) of the single downloads.
#include <windows.h>

#include <memory>

#include "control/FolderSettings.h"
#include "control/engine/DialogWiring.h"
#include "control/engine/RunningDialogs.h"
#include "control/services/DownloadDialogs.h"

namespace vard::com {

// The control's window, known once the control is activated.
struct ControlWindowHandle {
  HWND window = nullptr;
};

class WindowsDownloadDialogs final : public IDownloadDialogs {
 public:
  // `makeOutput` makes each dialog's output.
  explicit WindowsDownloadDialogs(std::shared_ptr<ControlWindowHandle> owner,
                                  OutputFactory makeOutput = SystemOutputFactory());

  int RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch, DialogOwner owner) override;
  void RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& file) override;
  std::optional<OpenOrSaveAnswer> AskOpenOrSave(const std::u16string& shownName, int64_t fileSize) override;
  // The run's end reaches the control window as its end message.
  std::unique_ptr<IEmbeddedDownload> EmbedListDownload(DownloadDialogState& state,
                                                       std::function<void(int)> ended) override;
  void EndRuns() override { running_.EndAll(); }

 private:
  std::shared_ptr<ControlWindowHandle> owner_;
  OutputFactory makeOutput_;
  FolderSettings folders_;
  RunningDialogs running_;
};

}  // namespace vard::com
