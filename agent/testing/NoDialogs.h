#pragma once
// A worker's dialogs for tests that ask nothing of the user: every question
// gets its plainest answer and a countdown stops.
#include "agent/jobs/WorkerDialogs.h"

namespace vard::testing {

class NoDialogs : public IWorkerDialogs {
 public:
  DownloadExistsAnswer AskDownloadExists(const DownloadExistsQuestion&, const StopFlag&) override { return {}; }
  UploadExistsAnswer AskUploadExists(const UploadExistsQuestion&, const StopFlag&) override { return {}; }
  RetryAnswer RetryCountdown(const std::u16string&, int, const StopFlag&) override { return RetryAnswer::kStop; }
  void ShowInformation(const std::u16string&, const std::u16string&, const StopFlag&) override {}
  ExistingFileOption ExistingFileChoice() override { return ExistingFileOption::kAsk; }
  void SetExistingFileChoice(ExistingFileOption) override {}
};

}  // namespace vard::testing
