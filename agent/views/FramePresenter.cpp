#include "agent/views/FramePresenter.h"

#include <memory>

#include "agent/views/CloseConfirm.h"
#include "agent/views/ConfigDlg.h"
#include "agent/views/MainView.h"
#include "agent/views/UiThread.h"

namespace vard {

CFramePresenter::CFramePresenter(AgentMode mode, CMainView& view, IUiThread& ui, std::function<void()> destroy,
                                 std::function<void(uintptr_t)> postClose)
    : mode_(mode), view_(view), ui_(ui), destroy_(std::move(destroy)), postClose_(std::move(postClose)) {
  trayIcon_ = FactsOf(mode_).icon;
}

CFramePresenter::~CFramePresenter() {
  if (animating_) ui_.KillTimer(kAnimationTimer);
}

void CFramePresenter::OnCreate() {
  const AgentModeFacts& facts = FactsOf(mode_);
  trayIcon_ = facts.icon;
  if (window_) window_->AddTrayIcon(trayIcon_, facts.caption);
}

void CFramePresenter::OnDestroy() {
  destroyed_ = true;
  if (animating_) ui_.KillTimer(kAnimationTimer);
  animating_ = false;
  if (window_) window_->RemoveTrayIcon();
}

std::u16string CFramePresenter::OpenText() const {
  return mode_ == AgentMode::kUpload ? u"업로드 창열기" : u"다운로드 창열기";
}

// --- closing ----------------------------------------------------------------

void CFramePresenter::OnClose(uintptr_t wParam) {
  if (destroyed_) return;
  if (wParam == 1) {
    StopAndDestroy();
    return;
  }
  switch (view_.Settings().CloseType(mode_)) {
    case 1:
      HideToTray();
      break;
    case 2:
      StopAndDestroy();
      break;
    case 0:
    case 3:
      AskAndClose(wParam);
      break;
    default:
      break;  // the close box does nothing
  }
}

void CFramePresenter::StopAndDestroy() {
  // Bounded: a worker blocked in a network call has its handles closed.
  view_.Worker().StopWithin(kStopGraceMs);
  destroyed_ = true;
  if (destroy_) destroy_();
}

void CFramePresenter::AskAndClose(uintptr_t wParam) {
  if (asking_) return;  // one question at a time
  asking_ = true;
  // The worker waits at its next block while the question is open; the
  // UI thread holds nothing meanwhile.
  CInternetThreadImpl& worker = view_.Worker();
  const bool pause = wParam == 0 && (!view_.Finished() || view_.StoppedByUser());
  if (pause) worker.RequestPause();
  auto question = std::make_shared<CCloseConfirm>(mode_, view_.Settings());
  std::weak_ptr<bool> alive = alive_;
  view_.ShowDialog(question, [this, alive, pause, &worker](int answer) {
    if (alive.expired()) return;
    asking_ = false;
    if (pause) worker.ResumeFromPause();
    if (answer == CCloseConfirm::kQuit) {
      StopAndDestroy();
    } else if (answer == CCloseConfirm::kToTray) {
      HideToTray();
    }
  });
}

// --- tray -------------------------------------------------------------------

void CFramePresenter::HideToTray() {
  if (window_) window_->HideToTray();
  hidden_ = true;
}

void CFramePresenter::RestoreFromTray() {
  if (window_) window_->RestoreFromTray();
  hidden_ = false;
}

void CFramePresenter::ShowForBatch() {
  if (window_) window_->ShowForBatch();
  hidden_ = false;
}

void CFramePresenter::OnTrayNotify(intptr_t mouseMessage) {
  if (mouseMessage == kTrayDoubleClick) {
    if (hidden_) {
      RestoreFromTray();
    } else if (window_) {
      window_->BringToTop();
    }
  } else if (mouseMessage == kTrayRightButtonUp && window_) {
    if (auto command = window_->TrackTrayMenu(OpenText())) OnTrayCommand(*command);
  }
}

void CFramePresenter::OnTrayCommand(int command) {
  switch (command) {
    case tray_command::kOpen:
      RestoreFromTray();
      break;
    case tray_command::kHide:
      HideToTray();
      break;
    case tray_command::kSettings:
      if (mode_ == AgentMode::kUpload) {
        view_.ShowDialog(std::make_shared<CMWConfigDlg>(view_.Settings()));
      } else {
        view_.ShowDialog(std::make_shared<CKTConfigDlg>(view_.Settings()));
      }
      break;
    case tray_command::kExit:
      if (postClose_) postClose_(1);
      break;
    default:
      break;
  }
}

void CFramePresenter::SetTransferRunning(bool running) {
  if (destroyed_) return;
  if (running) {
    if (animating_) return;
    animating_ = true;
    ui_.SetTimer(kAnimationTimer, kAnimationMs, [this] { OnAnimationTick(); });
    return;
  }
  if (animating_) ui_.KillTimer(kAnimationTimer);
  animating_ = false;
  counter_ = 0;
  trayIcon_ = FactsOf(mode_).icon;
  if (window_) window_->SetTrayIcon(trayIcon_);
}

void CFramePresenter::OnAnimationTick() {
  trayIcon_ = FactsOf(mode_).trayAnimation[static_cast<size_t>(counter_)];
  if (window_) window_->SetTrayIcon(trayIcon_);
  counter_ = counter_ >= 2 ? 0 : counter_ + 1;
}

std::string CFramePresenter::JsonMembers() const {
  std::string out = "\"hidden\":";
  out += hidden_ ? "true" : "false";
  out += ",\"tray_icon\":" + std::to_string(trayIcon_);
  out += ",\"animating\":";
  out += animating_ ? "true" : "false";
  out += ",\"asking\":";
  out += asking_ ? "true" : "false";
  return out;
}

}  // namespace vard
