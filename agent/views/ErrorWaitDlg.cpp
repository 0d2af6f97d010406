#include "agent/views/ErrorWaitDlg.h"

#include <atomic>

#include "agent/views/UiThread.h"
#include "common/text/Printf.h"

namespace vard {
namespace {

// Timer IDs of countdowns, apart from the views' own.
std::atomic<uint32_t> nextTimerId{0x7000};

}  // namespace

CErrorWaitDlg::CErrorWaitDlg(std::u16string format, int seconds)
    : CDialogPresenter(228, u""), format_(std::move(format)), left_(seconds < 0 ? 0 : seconds) {
  Mutable().SetText(-1, u"네트워크 연결에 장애가 발생했습니다.");
  Mutable().SetText(-2, u"다시 연결하기 위해 대기중 입니다.");
  Mutable().SetText(kIdCancel, u"전송 중단");
  AddButton(kIdOk);
  AddButton(kIdCancel);
  Show();
}

void CErrorWaitDlg::Show() { Mutable().SetText(kIdOk, FormatText(format_, {left_})); }

void CErrorWaitDlg::OnOpen(IUiThread& ui) {
  ui_ = &ui;
  timerId_ = nextTimerId++;
  Show();
  // The timer must not outlive the dialog: it holds it weakly.
  std::weak_ptr<CDialogPresenter> self = weak_from_this();
  ui.SetTimer(timerId_, 1000, [self] {
    if (auto d = self.lock()) static_cast<CErrorWaitDlg&>(*d).Tick();
  });
}

void CErrorWaitDlg::Tick() {
  if (HasEnded()) return;
  if (left_ > 0) --left_;
  Show();
  Changed();
  if (left_ == 0) Finish(kIdOk);
}

void CErrorWaitDlg::OnCommand(int id) {
  if (id == kIdOk || id == kIdCancel) Finish(id);
}

void CErrorWaitDlg::Finish(int code) {
  if (ui_ && timerId_) ui_->KillTimer(timerId_);
  timerId_ = 0;
  End(code);
}

}  // namespace vard
