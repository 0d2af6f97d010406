#pragma once
// The download view: save folder, what to do with a file that exists, the
// after-finish options and the saved transfer state of the list.
#include "agent/views/MainView.h"

namespace vard {

class CDownloadView final : public CMainView {
 public:
  CDownloadView(IViewFrame& frame, IUiThread& ui, MainViewSetup setup);
  ~CDownloadView() override;

  const std::u16string& SaveFolder() const { return saveFolder_; }
  void ShowExistingFileChoice(ExistingFileOption option) override;

 protected:
  int ReadHandOff() override;
  void PrepareWorker() override;
  void BuildModeForm(uint32_t sendAfter) override;
  void OnCompleteFinish() override;
  void OnModeCommand(int controlId) override;
  void OnRemoving(const std::vector<size_t>& rows) override;
  uint32_t SendAfterBits() override;

 private:
  void ChangeFolder();

  std::u16string saveFolder_;
};

}  // namespace vard
