#pragma once
// A download-and-open: where the one file goes (the page's full path, asked
// about when it exists, or the temporary folder), the single-file dialog's
// settings, and the open once the file is complete.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "control/ControlSettings.h"
#include "control/engine/DownloadDialog.h"
#include "control/services/DownloadDialogs.h"

namespace vard {

struct SingleFileSteps {
  std::function<bool(const std::u16string& path)> exists;
  std::function<std::optional<int64_t>(const std::u16string& url, bool utf8)> remoteSize;
  // The existing-file question without resume and without apply-to-all.
  std::function<DuplicateAnswer(const DuplicatePrompt& prompt)> askDuplicate;
  std::function<int64_t(const std::u16string& path)> existingSize;
};

// The target path, or nothing when the existing-file question was cancelled
// or an untrusted page's name would leave the download folder. An untrusted
// page's file goes below the download folder, never the temporary one.
// A size of 0 is asked from the server first; when the server names none
// (or 0), `file.sizeUnknown` is set and the file is fetched to its end.
std::optional<std::u16string> SingleFileTarget(const ControlSettings& settings, SingleFile& file,
                                               const SingleFileSteps& steps);

// The settings of the separate single-file dialog writing `target` (its
// caption suffix from `programTitle`).
DownloadDialogConfig SingleFileDialogConfig(const ControlSettings& settings, const std::u16string& programTitle,
                                            const std::u16string& target);

// The one item of that dialog: `file` written to `target`.
DownloadItem SingleFileItem(const SingleFile& file, const std::u16string& target);

}  // namespace vard
