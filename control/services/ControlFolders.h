#pragma once
// The folders the control keeps per user: the initial download folder, the
// temporary folder's preparation and the folder-browse dialog.
#include <optional>
#include <string>

namespace vard {

class IControlFolders {
 public:
  virtual ~IControlFolders() = default;
  // The download folder a new control starts with.
  virtual std::u16string InitialDownloadFolder() = 0;
  // The person's own download folder: the only place an untrusted page's
  // files go (its sub-folders too).
  virtual std::u16string PersonDownloadsFolder() = 0;
  // Normalises a temporary folder setting and creates it on disk; returns
  // the text to store.
  virtual std::u16string PrepareTempFolder(const std::u16string& folder) = 0;
  // The browse-for-folder dialog: the chosen folder with a trailing
  // backslash, or the error literal for a virtual folder; nothing when the
  // user cancelled.
  virtual std::optional<std::u16string> SelectFolder() = 0;
};

}  // namespace vard
