#pragma once
// The control's download dialogs in windows: the list download in the
// dialog made from the pack's template 104, owned by the control window or
// its parent. The single-file downloads' dialogs are still those of
// `fallback`.
#include <windows.h>

#include <memory>

#include "control/FolderSettings.h"
#include "control/services/DownloadDialogs.h"

namespace vard::com {

// The control's window, known once the control is activated.
struct ControlWindowHandle {
  HWND window = nullptr;
};

class WindowsDownloadDialogs final : public IDownloadDialogs {
 public:
  WindowsDownloadDialogs(std::shared_ptr<ControlWindowHandle> owner, std::shared_ptr<IDownloadDialogs> fallback);

  int RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch, DialogOwner owner) override;
  void RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& file) override;
  std::optional<OpenOrSaveAnswer> AskOpenOrSave(const std::u16string& shownName, int64_t fileSize) override;

 private:
  std::shared_ptr<ControlWindowHandle> owner_;
  std::shared_ptr<IDownloadDialogs> fallback_;
  FolderSettings folders_;
};

}  // namespace vard::com
