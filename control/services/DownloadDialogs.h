#pragma once
// The control's download dialogs with the transfer engine inside them. Each
// call runs modally on the control's thread and returns when the dialog has
// closed.
#include <cstdint>
#include <functional>
#include <memory>
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
  // Neither the page nor the server named a size: fetched to its end.
  bool sizeUnknown = false;
};

// The answer of the open-or-save question.
struct OpenOrSaveAnswer {
  enum class Choice { kOpen, kSave, kSaveAndOpen };
  Choice choice = Choice::kOpen;
  std::u16string savePath;  // from the save-file step; empty for kOpen
};

// The download dialog inside the control's window in child mode. It lives
// as long as the window; going away stops a run without a question.
class IEmbeddedDownload {
 public:
  virtual ~IEmbeddedDownload() = default;
  // A file the page appended, for the dialog's own list.
  virtual void AddItem(const DownloadItem& item) = 0;
  // Fills the control's client area.
  virtual void Place(int32_t width, int32_t height) = 0;
  virtual void Focus() = 0;
  // DialogListHeight set while the dialog exists: its list's new height.
  virtual void SetListHeight(int32_t pixels) = 0;
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
  // Child mode: the list download dialog embedded in the control's window
  // with the transfer settings of `state`. The end code of each of its runs
  // reaches the control: through the window's end message on Windows,
  // through `ended` where no window carries it.
  virtual std::unique_ptr<IEmbeddedDownload> EmbedListDownload(DownloadDialogState& state,
                                                               std::function<void(int endCode)> ended) = 0;
  // The open-or-save question of a single download; nothing when cancelled.
  virtual std::optional<OpenOrSaveAnswer> AskOpenOrSave(const std::u16string& shownName, int64_t fileSize) = 0;
  // Any thread: the page went. Every run up now, and any started later,
  // stops without a question, its files left as a cancelled run leaves them.
  virtual void EndRuns() = 0;
};

}  // namespace vard
