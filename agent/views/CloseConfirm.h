#pragma once
// The question when the transfer window is closed: quit, minimise to the
// tray or cancel; "do not ask again" remembers the first two.
#include "agent/AgentMode.h"
#include "agent/settings/AgentSettings.h"
#include "agent/views/DialogPresenter.h"

namespace vard {

class CCloseConfirm final : public CDialogPresenter {
 public:
  static constexpr int kQuit = 1, kToTray = 7, kDontAsk = 1007;

  CCloseConfirm(AgentMode mode, AgentSettings& settings);
  // A console without a user quits, as its close was asked for.
  int DefaultButton() const override { return kQuit; }
  void OnCommand(int id) override;

 private:
  AgentMode mode_;
  AgentSettings& settings_;
};

}  // namespace vard
