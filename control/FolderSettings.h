#pragma once
// The control's per-user settings: the download folder and the folder last
// chosen in the folder question, under HKCU "Software\vardel\VardKT5", and
// the temporary folder's normalisation. Registry failures are silent.
#include <optional>
#include <string>

#include "common/platform/Registry.h"

namespace vard {

class FolderSettings {
 public:
  static constexpr char16_t kKey[] = u"Software\\vardel\\VardKT5";
  // Values are read into buffers of this many units, terminator included.
  static constexpr size_t kFolderCapacity = 260;

  explicit FolderSettings(platform::IRegistry& registry) : registry_(registry) {}

  // "DownFolder", written as `documents` when the key or the value is missing.
  std::u16string InitialDownloadFolder(const std::u16string& documents);
  void StoreDownloadFolder(const std::u16string& folder);
  // "InitSelectFolder", none when the key cannot be opened or holds none.
  std::optional<std::u16string> LastSelectedFolder();
  void StoreSelectedFolder(const std::u16string& folder);

 private:
  platform::IRegistry& registry_;
};

// A folder as "InitSelectFolder" keeps it: without a trailing backslash,
// except a drive's root ("C:\\"), which is no folder without one.
std::u16string SelectedFolderToStore(const std::u16string& chosen);

// The temporary folder as SetTempFolder stores it: a leading "$SYSTEM32$"
// (that exact case) becomes the system directory and a backslash, and "/"
// becomes "\". Creating it is the caller's part (CreateTempFolder).
std::u16string NormaliseTempFolder(const std::u16string& text, const std::u16string& systemDirectory);
// Creates every level of `folder` that is missing, ignoring failures.
void CreateTempFolder(const std::u16string& folder);

}  // namespace vard
