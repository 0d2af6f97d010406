#include "control/engine/RegistryFolders.h"

#include "common/platform/KnownFolders.h"

namespace vard {

std::u16string RegistryFolders::InitialDownloadFolder() {
  return settings_.InitialDownloadFolder(platform::DocumentsFolder());
}

std::u16string RegistryFolders::PersonDownloadsFolder() { return platform::DownloadsFolder(); }

std::u16string RegistryFolders::PrepareTempFolder(const std::u16string& folder) {
  const std::u16string normalised = NormaliseTempFolder(folder, platform::SystemDirectory());
  CreateTempFolder(normalised);
  return normalised;
}

std::optional<std::u16string> RegistryFolders::SelectFolder() {
  auto chosen = fallback_->SelectFolder();
  if (!chosen) return std::nullopt;
  // A folder with a file-system path is remembered for the next question.
  if (*chosen != u"VardKT_FolderSelect_Error") settings_.StoreSelectedFolder(SelectedFolderToStore(*chosen));
  return chosen;
}

}  // namespace vard
