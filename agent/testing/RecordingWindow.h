#pragma once
// A transfer window for tests: records what the view told it and answers
// questions from a script. Dialogs stay open until the test clicks them
// (or answers them at once with `dialogAnswers`).
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/views/DialogPresenter.h"
#include "agent/views/TransferWindow.h"

namespace vard::testing {

class RecordingWindow final : public ITransferWindow {
 public:
  void ControlChanged(int id) override { changed.push_back(id); }
  void RowCountChanged(size_t rows) override { rowCount = rows; }
  void RedrawRow(size_t row, uint32_t columns) override { redraws.push_back({row, columns}); }
  void RedrawAll() override { ++redrawAll; }
  void EnsureVisible(size_t row) override { visible.push_back(row); }
  void Refreshed() override { ++refreshes; }

  bool AskYesNo(const std::u16string& text, const std::u16string& caption) override {
    questions.push_back(caption + u"|" + text);
    return yes;
  }
  void ShowMessage(const std::u16string& text, const std::u16string& caption) override {
    messages.push_back(caption + u"|" + text);
  }
  void ShowDialog(std::shared_ptr<CDialogPresenter> dialog) override {
    shown.push_back(dialog);
    // Clicks until the dialog ends; a 0 leaves it open for the test.
    while (!dialogAnswers.empty() && !dialog->HasEnded()) {
      const int answer = dialogAnswers.front();
      dialogAnswers.pop_front();
      if (answer == 0) break;
      dialog->OnCommand(answer);
    }
  }
  void DialogEnded(const CDialogPresenter& d) override { ended.push_back(d.EndCode()); }
  std::optional<std::u16string> BrowseFolder(const std::u16string&, const std::u16string&) override {
    if (folders.empty()) return std::nullopt;
    auto f = folders.front();
    folders.pop_front();
    return f;
  }
  std::optional<std::u16string> AskSavePath(const std::u16string&) override { return savePath; }

  bool yes = true;
  std::deque<int> dialogAnswers;
  std::deque<std::optional<std::u16string>> folders;
  std::optional<std::u16string> savePath;

  std::vector<int> changed;
  size_t rowCount = 0;
  std::vector<std::pair<size_t, uint32_t>> redraws;
  int redrawAll = 0;
  std::vector<size_t> visible;
  int refreshes = 0;
  std::vector<std::u16string> questions;
  std::vector<std::u16string> messages;
  std::vector<std::shared_ptr<CDialogPresenter>> shown;
  std::vector<int> ended;
};

}  // namespace vard::testing
