#pragma once
// The upload view: its list goes to the server given by each batch; an
// arriving batch may start the worker at once.
#include "agent/views/MainView.h"

namespace vard {

class CUploadView final : public CMainView {
 public:
  CUploadView(IViewFrame& frame, IUiThread& ui, MainViewSetup setup);
  ~CUploadView() override;

 protected:
  int ReadHandOff() override;
  void PrepareWorker() override;
  void BuildModeForm(uint32_t sendAfter) override;
};

}  // namespace vard
