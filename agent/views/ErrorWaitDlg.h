#pragma once
// The retry countdown after a network failure: button 1 shows the seconds
// left through the worker's format and the dialog retries by itself at 0;
// button 2 stops the transfer. The seconds run on the UI thread's clock.
#include "agent/views/DialogPresenter.h"

namespace vard {

class CErrorWaitDlg final : public CDialogPresenter {
 public:
  CErrorWaitDlg(std::u16string format, int seconds);

  // A console without a user lets the countdown run out: a retry.
  int DefaultButton() const override { return kIdOk; }
  bool AnswersItself() const override { return true; }
  void OnOpen(IUiThread& ui) override;
  void OnCommand(int id) override;
  void Cancel() override { Finish(kIdCancel); }
  int SecondsLeft() const { return left_; }

 private:
  void Show();
  void Tick();
  void Finish(int code);

  std::u16string format_;
  int left_;
  IUiThread* ui_ = nullptr;
  uint32_t timerId_ = 0;
};

}  // namespace vard
