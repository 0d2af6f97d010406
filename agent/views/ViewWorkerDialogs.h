#pragma once
// The worker's questions as the views answer them: each one becomes a dialog
// presenter shown by the view on its UI thread, while the worker waits
// cooperatively (and gives up when it is told to stop).
#include <atomic>

#include "agent/jobs/WorkerDialogs.h"
#include "agent/views/UiThreadCall.h"

namespace vard {

class CMainView;
class CDialogPresenter;
class IUiThread;

class ViewWorkerDialogs final : public IWorkerDialogs {
 public:
  ViewWorkerDialogs(CMainView& view, IUiThread& ui);

  DownloadExistsAnswer AskDownloadExists(const DownloadExistsQuestion& question, const StopFlag& stop) override;
  UploadExistsAnswer AskUploadExists(const UploadExistsQuestion& question, const StopFlag& stop) override;
  RetryAnswer RetryCountdown(const std::u16string& format, int seconds, const StopFlag& stop) override;
  void ShowInformation(const std::u16string& text, const std::u16string& caption, const StopFlag& stop) override;

  // Any thread; a change from the worker is shown by the view.
  ExistingFileOption ExistingFileChoice() override { return option_.load(); }
  void SetExistingFileChoice(ExistingFileOption option) override;
  // UI thread: the radio buttons were clicked.
  void ChoiceClicked(ExistingFileOption option) { option_ = option; }

 private:
  // Shows `dialog` through the view and waits for its end or for `stop`.
  bool Ask(std::shared_ptr<CDialogPresenter> dialog, const StopFlag& stop);

  CMainView& view_;
  UiThreadCall call_;
  std::atomic<ExistingFileOption> option_{ExistingFileOption::kAsk};
};

}  // namespace vard
