#pragma once
// The download dialog's window on Windows: made from the language pack's
// template, it shows what the presenter sets (texts, progress bars, the
// owner-data list of the run's items) and asks its questions with message
// boxes, the existing-file dialog and the folder browser. The worker's
// posts reach the dialog's thread through a private message.
#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "control/engine/DownloadDialog.h"

namespace vard::com {

// The existing-file question from its template, owned by `owner`; the
// cancel answer when no window could be made.
DuplicateAnswer AskExistingFile(HWND owner, std::vector<uint8_t> dialogTemplate, const DuplicatePrompt& prompt);

class DownloadDialogWindow final : public IDownloadDialogView {
 public:
  // `text` gives the pack's strings; `existingTemplate` is the existing-file
  // question's template.
  DownloadDialogWindow(std::function<std::u16string(uint32_t)> text, std::vector<uint8_t> existingTemplate);

  // Runs `dialog` modally from `dialogTemplate`, owned by `owner`; its end
  // code, or the cancel code when no window could be made.
  int RunModal(HWND owner, DownloadDialog& dialog, std::vector<uint8_t> dialogTemplate);
  // Child mode: `dialog` in a visible frameless child of `parent` made from
  // `dialogTemplate`, told each run's end code by the parent's end message.
  // False when no window could be made.
  bool CreateChild(HWND parent, DownloadDialog& dialog, std::vector<uint8_t> dialogTemplate);
  // Destroys the child window; the dialog hears nothing more from it.
  void DestroyChild();
  HWND Handle() const { return hwnd_; }

  std::u16string TemplateCaption() override { return caption_; }
  void SetTitle(const std::u16string& title) override;
  void SetText(int id, const std::u16string& text) override;
  void SetProgress(int id, int32_t percent) override;
  void ShowControl(int id, bool visible) override;
  void EnableControl(int id, bool enabled) override;
  void SetRowCount(size_t rows) override;
  void SetListHeight(int32_t pixels) override;
  void RaiseListTo(int id) override;
  void RedrawRow(size_t row) override;
  bool AskYesNo(const std::u16string& text, const std::u16string& caption) override;
  void MessageBox(const std::u16string& text, const std::u16string& caption) override;
  DuplicateAnswer AskDuplicate(const DuplicatePrompt& prompt) override;
  std::optional<std::u16string> BrowseFolder(const std::u16string& title, const std::u16string& initial) override;
  void Post(std::function<void()> task) override;
  void EndDialog(int code) override;
  void MakeInvisible() override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  void InitList();
  void RunPosted();

  std::function<std::u16string(uint32_t)> text_;
  std::vector<uint8_t> existingTemplate_;
  std::u16string caption_;
  DownloadDialog* dialog_ = nullptr;
  HWND hwnd_ = nullptr;
  bool child_ = false;
  std::u16string cell_;
  std::mutex postedMutex_;
  std::deque<std::function<void()>> posted_;
};

}  // namespace vard::com
