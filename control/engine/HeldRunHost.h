#pragma once
// A run's calls to its dialog, each made only once the run is not held:
// while the stop question is open the dialog sees no change and is asked
// nothing else. Used on the run's worker thread.
#include "control/engine/DownloadRunHost.h"
#include "control/engine/RunHold.h"

namespace vard {

class HeldRunHost final : public IDownloadRunHost {
 public:
  HeldRunHost(IDownloadRunHost& inner, RunHold& hold) : inner_(inner), hold_(hold) {}

  void SetItemCounterText(const std::u16string& text) override {
    hold_.Pass();
    inner_.SetItemCounterText(text);
  }
  void SetCurrentFileText(const std::u16string& text) override {
    hold_.Pass();
    inner_.SetCurrentFileText(text);
  }
  void ItemChanged(size_t index) override {
    hold_.Pass();
    inner_.ItemChanged(index);
  }
  void RefreshTexts() override {
    hold_.Pass();
    inner_.RefreshTexts();
  }
  DuplicateAnswer AskDuplicate(const DuplicateQuestion& question) override {
    hold_.Pass();
    return inner_.AskDuplicate(question);
  }
  void RunFinished() override {
    hold_.Pass();
    inner_.RunFinished();
  }

 private:
  IDownloadRunHost& inner_;
  RunHold& hold_;
};

}  // namespace vard
