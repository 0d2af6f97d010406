#include "agent/views/ConfigDlg.h"

namespace vard {
namespace {

constexpr int kRadios[] = {CConfigDlgBase::kAsk, CConfigDlgBase::kToTray, CConfigDlgBase::kExit};

}  // namespace

CConfigDlgBase::CConfigDlgBase(uint32_t templateId, AgentMode mode, AgentSettings& settings)
    : CDialogPresenter(templateId, u"환경설정"), mode_(mode), settings_(settings) {
  ControlState& c = Mutable();
  c.SetText(1031, u"환경설정");
  c.SetText(-1, u"전송창을 닫을 때");
  c.SetText(kAsk, u" 물어보기");
  c.SetText(kToTray, u" 트레이로 최소화");
  c.SetText(kExit, u" 종료하기");
  c.SetText(-2, u"네트워크/서버 장애시 재시도 횟수");
  c.SetText(-3, u"초 간격으로");
  c.SetText(-4, u"번을 재시도 합니다.");
  c.SetText(kDefaults, u"초기 값으로");
  c.SetText(kApply, u"적용하기");
  c.SetText(kCloseButton, u"닫기");
  AddButton(kDefaults);
  AddButton(kApply);
  AddButton(kCloseButton);
  appliedClose_ = settings_.CloseType(mode_);
  appliedRetry_ = settings_.Retry(mode_);
  ShowValues(appliedClose_, appliedRetry_);
  c.SetEnabled(kApply, false);
}

void CConfigDlgBase::ShowValues(uint32_t closeType, RetrySettings retry) {
  ControlState& c = Mutable();
  for (uint32_t i = 0; i < 3; ++i) c.SetChecked(kRadios[i], closeType == i);
  // Combo items are "1" to "99": index = value - 1.
  c.SetSelection(kRetrySeconds, static_cast<int>(retry.seconds) - 1);
  c.SetSelection(kRetryCount, static_cast<int>(retry.count) - 1);
}

uint32_t CConfigDlgBase::ShownCloseType() const {
  for (uint32_t i = 0; i < 3; ++i)
    if (Controls().Checked(kRadios[i])) return i;
  return 0;
}

RetrySettings CConfigDlgBase::ShownRetry() const {
  RetrySettings r;
  r.seconds = static_cast<uint32_t>(Controls().Selection(kRetrySeconds) + 1);
  r.count = static_cast<uint32_t>(Controls().Selection(kRetryCount) + 1);
  return r;
}

void CConfigDlgBase::UpdateApply() {
  const RetrySettings shown = ShownRetry();
  const bool differs = ShownCloseType() != appliedClose_ || shown.seconds != appliedRetry_.seconds ||
                       shown.count != appliedRetry_.count;
  Mutable().SetEnabled(kApply, differs);
}

void CConfigDlgBase::OnCommand(int id) {
  switch (id) {
    case kAsk:
    case kToTray:
    case kExit:
      for (int r : kRadios) Mutable().SetChecked(r, r == id);
      UpdateApply();
      break;
    case kDefaults:
      ShowValues(settings_default::kCloseType, RetrySettings{});
      UpdateApply();
      break;
    case kApply:
      if (!Controls().Enabled(kApply)) break;
      appliedClose_ = ShownCloseType();
      appliedRetry_ = ShownRetry();
      settings_.SetCloseType(mode_, appliedClose_);
      settings_.SetRetry(mode_, appliedRetry_);
      Mutable().SetEnabled(kApply, false);
      break;
    case kCloseButton:
      End(kCloseButton);
      break;
    case kIdCancel:
      Cancel();
      break;
    default:
      break;
  }
}

void CConfigDlgBase::OnSelect(int id, int index) {
  if (id != kRetrySeconds && id != kRetryCount) return;
  if (index < 0 || index >= static_cast<int>(kRetryMax)) return;
  Mutable().SetSelection(id, index);
  UpdateApply();
}

}  // namespace vard
