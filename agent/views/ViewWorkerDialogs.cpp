#include "agent/views/ViewWorkerDialogs.h"

#include "agent/views/AskSaveAsDlgs.h"
#include "agent/views/ControlIds.h"
#include "agent/views/ErrorWaitDlg.h"
#include "agent/views/MainView.h"
#include "agent/views/UiThread.h"
#include "agent/views/UploadRename.h"

namespace vard {

ViewWorkerDialogs::ViewWorkerDialogs(CMainView& view, IUiThread& ui)
    : view_(view), call_([&view](std::function<void()> task) { return view.PostGuarded(std::move(task)); }, ui.Clock()) {}

bool ViewWorkerDialogs::Ask(std::shared_ptr<CDialogPresenter> dialog, const StopFlag& stop) {
  CMainView& view = view_;
  return call_.AskUntil(
      [&view, dialog](std::function<void()> done) { view.ShowDialog(dialog, [done](int) { done(); }); }, stop,
      [dialog] { dialog->Cancel(); });
}

DownloadExistsAnswer ViewWorkerDialogs::AskDownloadExists(const DownloadExistsQuestion& question,
                                                          const StopFlag& stop) {
  CMainView& view = view_;
  auto dialog = std::make_shared<CAskSaveAsDownloadDlg>(
      question, [&view](const std::u16string& path) { return view.Window().AskSavePath(path); },
      view.FileTimeSource());
  if (!Ask(dialog, stop)) return DownloadExistsAnswer{};
  return dialog->Answer();
}

UploadExistsAnswer ViewWorkerDialogs::AskUploadExists(const UploadExistsQuestion& question, const StopFlag& stop) {
  CMainView& view = view_;
  auto dialog = std::make_shared<CAskSaveAsDlg>(
      question, [&view](std::shared_ptr<CUploadRename> rename, CDialogPresenter::EndHandler onEnd) {
        view.ShowDialog(std::move(rename), std::move(onEnd));
      });
  if (!Ask(dialog, stop)) return UploadExistsAnswer{};
  return dialog->Answer();
}

RetryAnswer ViewWorkerDialogs::RetryCountdown(const std::u16string& format, int seconds, const StopFlag& stop) {
  auto dialog = std::make_shared<CErrorWaitDlg>(format, seconds);
  if (!Ask(dialog, stop)) return RetryAnswer::kStop;
  return dialog->EndCode() == kIdOk ? RetryAnswer::kRetry : RetryAnswer::kStop;
}

void ViewWorkerDialogs::ShowInformation(const std::u16string& text, const std::u16string& caption,
                                        const StopFlag& stop) {
  Ask(std::make_shared<CMessagePresenter>(text, caption), stop);
}

void ViewWorkerDialogs::SetExistingFileChoice(ExistingFileOption option) {
  option_ = option;
  view_.PostToView([option](CMainView& view) { view.ShowExistingFileChoice(option); });
}

}  // namespace vard
