#pragma once
// The control's folders kept per user in the registry: the download folder
// a new control starts with and the temporary folder's preparation. The
// folder question itself is a window's (the fallback answers it).
#include <memory>

#include "control/FolderSettings.h"
#include "control/services/ControlFolders.h"

namespace vard {

class RegistryFolders final : public IControlFolders {
 public:
  RegistryFolders(platform::IRegistry& registry, std::shared_ptr<IControlFolders> fallback)
      : settings_(registry), fallback_(std::move(fallback)) {}
  std::u16string InitialDownloadFolder() override;
  std::u16string PersonDownloadsFolder() override;
  std::u16string PrepareTempFolder(const std::u16string& folder) override;
  std::optional<std::u16string> SelectFolder() override;

 private:
  FolderSettings settings_;
  std::shared_ptr<IControlFolders> fallback_;
};

}  // namespace vard
