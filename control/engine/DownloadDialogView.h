#pragma once
// What the download dialog's presenter needs from its window: Win32 shows
// the dialog from the language pack's template; the console view prints.
// Called on the dialog's thread only, except Post().
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "control/engine/DownloadRunHost.h"

namespace vard {

// Control IDs of the download dialog (templates 104 and 105).
namespace dlg {
constexpr int kStart = 1, kCancel = 2, kChangeFolder = 201, kList = 204;
constexpr int kItemProgress = 205, kRunProgress = 206, kCurrentFile = 207, kRate = 208, kItemBytes = 209;
constexpr int kItemTimeLeft = 210, kRunBytes = 211, kFolder = 212, kRunTimeLeft = 213, kCounter = 214;
constexpr int kPoweredBy = 229, kFolderCaption = 1001;
}  // namespace dlg

// The existing-file question as the view shows it.
struct DuplicatePrompt {
  DuplicateQuestion question;
  int64_t existingSize = -1;
};

class IDownloadDialogView {
 public:
  virtual ~IDownloadDialogView() = default;
  virtual std::u16string TemplateCaption() = 0;
  virtual void SetTitle(const std::u16string& title) = 0;
  virtual void SetText(int id, const std::u16string& text) = 0;
  virtual void SetProgress(int id, int32_t percent) = 0;
  virtual void ShowControl(int id, bool visible) = 0;
  virtual void EnableControl(int id, bool enabled) = 0;
  virtual void SetRowCount(size_t rows) = 0;
  // The list becomes `pixels` high; what lies below it, and the dialog,
  // follow its bottom edge.
  virtual void SetListHeight(int32_t pixels) = 0;
  // The list's top moves up to where control `id`'s top is (the controls
  // above it are hidden); the label below the list and the dialog's bottom
  // edge move up by the same distance.
  virtual void RaiseListTo(int id) = 0;
  virtual void RedrawRow(size_t row) = 0;
  virtual bool AskYesNo(const std::u16string& text, const std::u16string& caption) = 0;
  virtual void MessageBox(const std::u16string& text, const std::u16string& caption) = 0;
  virtual DuplicateAnswer AskDuplicate(const DuplicatePrompt& prompt) = 0;
  virtual std::optional<std::u16string> BrowseFolder(const std::u16string& title, const std::u16string& initial) = 0;
  // Runs `task` on the dialog's thread; any thread may call it.
  virtual void Post(std::function<void()> task) = 0;
  // The run goes on unseen: the window keeps no size.
  virtual void MakeInvisible() = 0;
  // The dialog is over with this end code (a modal dialog returns it; a
  // child dialog tells its parent).
  virtual void EndDialog(int code) = 0;
};

}  // namespace vard
