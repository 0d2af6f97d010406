#pragma once
// The control's download dialogs with the transfer engine inside them. Each
// call runs modally on the control's thread and returns when the dialog has
// closed.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "control/DownloadDialogState.h"
#include "control/DownloadList.h"

namespace vard {

struct ControlSettings;

// Which window owns a modal dialog.
enum class DialogOwner { kControlWindow, kParentWindow };

// The file a single-file download fetches.
struct SingleFile {
  std::u16string url;       // resolved against the page
  std::u16string fileName;  // as the page gave it; a full path with UseFullPath
  int64_t fileSize = 0;     // 0: asked from the server
};

// The answer of the open-or-save question.
struct OpenOrSaveAnswer {
  enum class Choice { kOpen, kSave, kSaveAndOpen };
  Choice choice = Choice::kOpen;
  std::u16string savePath;  // from the save-file step; empty for kOpen
};

class IDownloadDialogs {
 public:
  virtual ~IDownloadDialogs() = default;
  // The list download dialog over `batch` with the transfer settings of
  // `state`; its end code (1 complete, 2 cancelled, 7 failed, anything else
  // reports nothing).
  virtual int RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch,
                              DialogOwner owner) = 0;
  // A download-and-open: the existing-file question for a full-path target,
  // the single-file dialog, and opening the file when it completed and
  // `settings.openAfterDownload` is set.
  virtual void RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& file) = 0;
  // The open-or-save question of a single download; nothing when cancelled.
  virtual std::optional<OpenOrSaveAnswer> AskOpenOrSave(const std::u16string& shownName, int64_t fileSize) = 0;
};

}  // namespace vard
