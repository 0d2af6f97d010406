#include "control/FolderSettings.h"

#include "common/platform/FileSystem.h"
#include "common/platform/FolderChain.h"

namespace vard {
namespace {

using platform::RegistryRoot;
constexpr char16_t kDownFolder[] = u"DownFolder";
constexpr char16_t kInitSelectFolder[] = u"InitSelectFolder";

}  // namespace

std::u16string FolderSettings::InitialDownloadFolder(const std::u16string& documents) {
  if (registry_.KeyExists(RegistryRoot::kCurrentUser, kKey)) {
    if (auto folder = registry_.ReadString(RegistryRoot::kCurrentUser, kKey, kDownFolder, kFolderCapacity))
      return *folder;
  }
  registry_.WriteString(RegistryRoot::kCurrentUser, kKey, kDownFolder, documents);
  return documents;
}

void FolderSettings::StoreDownloadFolder(const std::u16string& folder) {
  registry_.WriteString(RegistryRoot::kCurrentUser, kKey, kDownFolder, folder);
}

std::optional<std::u16string> FolderSettings::LastSelectedFolder() {
  return registry_.ReadString(RegistryRoot::kCurrentUser, kKey, kInitSelectFolder, kFolderCapacity);
}

void FolderSettings::StoreSelectedFolder(const std::u16string& folder) {
  registry_.WriteString(RegistryRoot::kCurrentUser, kKey, kInitSelectFolder, folder);
}

std::u16string SelectedFolderToStore(const std::u16string& chosen) {
  const bool driveRoot = chosen.size() == 3 && chosen[1] == u':' && chosen[2] == u'\\';
  if (driveRoot || chosen.size() <= 1 || chosen.back() != u'\\') return chosen;
  return chosen.substr(0, chosen.size() - 1);
}

std::u16string NormaliseTempFolder(const std::u16string& text, const std::u16string& systemDirectory) {
  constexpr std::u16string_view kMarker = u"$SYSTEM32$";
  std::u16string t = text;
  if (t.starts_with(kMarker)) t = systemDirectory + u"\\" + t.substr(kMarker.size());
  for (char16_t& c : t)
    if (c == u'/') c = u'\\';
  return t;
}

void CreateTempFolder(const std::u16string& folder) {
  if (platform::PathExists(folder)) return;
  platform::MakeFolderChain(folder + u"\\");
}

}  // namespace vard
