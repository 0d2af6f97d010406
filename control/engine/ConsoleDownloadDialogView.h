#pragma once
// The download dialog as text. On a terminal one progress line is redrawn
// in place; elsewhere plain lines tell what happens. Questions take the
// scripted answers first, then ask on the terminal when there is one, then
// take the documented defaults: an existing file is skipped (its item
// cancelled, the file kept), a stop is not confirmed, no folder is chosen.
#include <deque>
#include <functional>
#include <optional>
#include <map>
#include <mutex>
#include <ostream>
#include <istream>

#include "common/platform/Clock.h"
#include "control/engine/DownloadDialog.h"

#include "control/services/DownloadDialogs.h"

namespace vard {

struct ConsoleAnswers {
  std::deque<DuplicateAnswer> duplicates;
  // Open-or-save answers; nothing: cancelled.
  std::deque<std::optional<OpenOrSaveAnswer>> openOrSave;
  std::deque<bool> stops;
  // Whether an untrusted page's downloaded file is opened.
  std::deque<bool> opens;
  std::deque<std::u16string> folders;
};

class ConsoleDownloadDialogView final : public IDownloadDialogView {
 public:
  // `in` null: no terminal to ask on.
  ConsoleDownloadDialogView(std::ostream& out, std::istream* in, bool liveLine, platform::IClock& clock,
                            ConsoleAnswers& answers, std::u16string caption);

  // Runs the dialog until it ends; its end code.
  int RunModal(DownloadDialog& dialog);
  // Child mode: shows `dialog` for as long as this view lives; `ended`
  // hears the end code of each of its runs.
  void ShowEmbedded(DownloadDialog& dialog, std::function<void(int)> ended);
  // Presses Start and shows the run until its end has been reported; false
  // when there is no embedded dialog or a run is under way.
  bool RunEmbedded();

  std::u16string TemplateCaption() override { return caption_; }
  void SetTitle(const std::u16string& title) override;
  void SetText(int id, const std::u16string& text) override;
  void SetProgress(int id, int32_t percent) override;
  void ShowControl(int, bool) override {}
  void EnableControl(int, bool) override {}
  void SetRowCount(size_t) override {}
  void SetListHeight(int32_t) override {}
  void RaiseListTo(int) override {}
  void RedrawRow(size_t row) override;
  bool AskYesNo(const std::u16string& text, const std::u16string& caption) override;
  void MessageBox(const std::u16string& text, const std::u16string& caption) override;
  DuplicateAnswer AskDuplicate(const DuplicatePrompt& prompt) override;
  std::optional<std::u16string> BrowseFolder(const std::u16string& title, const std::u16string& initial) override;
  // The open-or-save question of a single download: a scripted answer, or
  // asked on the terminal; nothing (cancelled) when nobody answers.
  std::optional<OpenOrSaveAnswer> AskOpenOrSave(const std::u16string& shownName, int64_t fileSize);
  // Whether to open an untrusted page's file: a scripted answer, or asked
  // on the terminal; no when nobody answers.
  bool AskOpen(const std::u16string& question);
  void Post(std::function<void()> task) override;
  void EndDialog(int code) override;
  void MakeInvisible() override {}  // the console's lines tell what happens either way

  const std::u16string& Text(int id) { return texts_[id]; }

 private:
  // Runs posted tasks and the timer while `busy` holds.
  void Pump(const std::function<bool()>& busy);
  void DrawLiveLine();
  void EndLiveLine();
  std::optional<std::string> AskLine(const std::string& question);

  std::ostream& out_;
  std::istream* in_;
  bool live_;
  platform::IClock& clock_;
  ConsoleAnswers& answers_;
  std::u16string caption_;
  DownloadDialog* dialog_ = nullptr;
  std::function<void(int)> childEnded_;
  std::map<int, std::u16string> texts_;
  std::map<int, int32_t> progress_;
  bool lineOpen_ = false;
  std::mutex queueMutex_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace vard
