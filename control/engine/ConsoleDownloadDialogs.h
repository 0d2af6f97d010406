#pragma once
// The control's download dialogs over the engine, shown by the console
// view: the dialogs a program gets where no window system draws them.
#include <iostream>
#include <memory>

#include "control/FolderSettings.h"
#include "control/engine/ConsoleDownloadDialogView.h"
#include "control/engine/DialogWiring.h"
#include "control/engine/RunningDialogs.h"
#include "control/services/DownloadDialogs.h"

namespace vard {

class ConsoleDownloadDialogs final : public IDownloadDialogs {
 public:
  // `fallback` answers what the console does not show yet (the single
  // downloads' questions). `out` receives the dialogs' lines; `makeOutput`
  // makes each dialog's output.
  ConsoleDownloadDialogs(std::shared_ptr<IDownloadDialogs> fallback, std::ostream& out = std::cout,
                         OutputFactory makeOutput = SystemOutputFactory());
  ~ConsoleDownloadDialogs() override;

  int RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch, DialogOwner owner) override;
  void RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& file) override;
  std::optional<OpenOrSaveAnswer> AskOpenOrSave(const std::u16string& shownName, int64_t fileSize) override;
  std::unique_ptr<IEmbeddedDownload> EmbedListDownload(DownloadDialogState& state,
                                                       std::function<void(int)> ended) override;
  void EndRuns() override { running_.EndAll(); }
  // Child mode: the user presses the embedded dialog's Start; returns when
  // the run's end has been reported. False when there is no embedded dialog
  // to start.
  bool StartEmbeddedRun();

  ConsoleAnswers& Answers() { return answers_; }

 private:
  class Embedded;

  std::shared_ptr<IDownloadDialogs> fallback_;
  std::ostream& out_;
  OutputFactory makeOutput_;
  Embedded* embedded_ = nullptr;  // the live embedded dialog, if any
  FolderSettings folders_;
  ConsoleAnswers answers_;
  RunningDialogs running_;
};

}  // namespace vard
