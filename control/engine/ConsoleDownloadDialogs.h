#pragma once
// The control's download dialogs over the engine, shown by the console
// view: the dialogs a program gets where no window system draws them.
#include <iostream>
#include <memory>

#include "control/FolderSettings.h"
#include "control/engine/ConsoleDownloadDialogView.h"
#include "control/services/DownloadDialogs.h"

namespace vard {

class ConsoleDownloadDialogs final : public IDownloadDialogs {
 public:
  // `fallback` answers what the console does not show yet (the single
  // downloads' questions). `out` receives the dialogs' lines.
  ConsoleDownloadDialogs(std::shared_ptr<IDownloadDialogs> fallback, std::ostream& out = std::cout);

  int RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch, DialogOwner owner) override;
  void RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& file) override;
  std::optional<OpenOrSaveAnswer> AskOpenOrSave(const std::u16string& shownName, int64_t fileSize) override;

  ConsoleAnswers& Answers() { return answers_; }

 private:
  std::shared_ptr<IDownloadDialogs> fallback_;
  std::ostream& out_;
  FolderSettings folders_;
  ConsoleAnswers answers_;
};

}  // namespace vard
