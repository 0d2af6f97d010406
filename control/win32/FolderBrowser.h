#pragma once
// The folder question behind FolderSelect: the shell's browse-for-folder
// dialog, owned by the control window, opening at the folder chosen last.
// What it does not ask goes to `fallback`.
#include <memory>

#include "control/services/ControlFolders.h"
#include "control/win32/WindowsDownloadDialogs.h"

namespace vard::com {

class FolderBrowser final : public IControlFolders {
 public:
  FolderBrowser(std::shared_ptr<ControlWindowHandle> owner, std::shared_ptr<IControlFolders> fallback)
      : owner_(std::move(owner)), fallback_(std::move(fallback)) {}

  std::u16string InitialDownloadFolder() override { return fallback_->InitialDownloadFolder(); }
  std::u16string PersonDownloadsFolder() override { return fallback_->PersonDownloadsFolder(); }
  std::u16string PrepareTempFolder(const std::u16string& folder) override { return fallback_->PrepareTempFolder(folder); }
  std::optional<std::u16string> SelectFolder() override;

 private:
  std::shared_ptr<ControlWindowHandle> owner_;
  std::shared_ptr<IControlFolders> fallback_;
};

}  // namespace vard::com
