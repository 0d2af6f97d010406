#include "agent/views/UploadView.h"

#include "agent/jobs/MWUploadThread.h"
#include "agent/views/ControlIds.h"

namespace vard {

CUploadView::CUploadView(IViewFrame& frame, IUiThread& ui, MainViewSetup setup)
    : CMainView(frame, ui, std::move(setup), view_id::kUploadForm, 100) {
  auto status = [this](VARD_THREAD_STATUS s) { OnThreadStatus(s); };
  if (Setup().makeWorker) {
    SetWorker(Setup().makeWorker(MutableEntries(), WorkerDialogs(), status, Ui().Clock()));
  } else {
    SetWorker(std::make_unique<CMWUploadThread>(MutableEntries(), WorkerDialogs(), status, Ui().Clock()));
  }
}

CUploadView::~CUploadView() { StopWorkerForGood(); }

int CUploadView::ReadHandOff() {
  return UploadHandOffReader(*this, MutableEntries(), Setup().reader).ReadHandOff();
}

void CUploadView::PrepareWorker() {
  if (auto* worker = dynamic_cast<CMWUploadThread*>(&Worker())) worker->notify_url = NotificationUrl();
}

void CUploadView::BuildModeForm(uint32_t) {
  // Present but hidden: it still carries its bit of "Config_SendAfter".
  MutableForm().SetVisible(view_id::kCloseAfter, false);
}

}  // namespace vard
