#pragma once
// The settings dialog of each mode: what closing the transfer window does
// and the retry interval and count. Changes are written only by "apply".
#include "agent/AgentMode.h"
#include "agent/settings/AgentSettings.h"
#include "agent/views/DialogPresenter.h"

namespace vard {

class CConfigDlgBase : public CDialogPresenter {
 public:
  static constexpr int kAsk = 1013, kToTray = 1021, kExit = 1022;
  static constexpr int kRetrySeconds = 1025, kRetryCount = 1026;
  static constexpr int kDefaults = 1027, kApply = 1028, kCloseButton = 1030;

  // Reads the values at once (missing or unusable ones show the defaults).
  CConfigDlgBase(uint32_t templateId, AgentMode mode, AgentSettings& settings);

  int DefaultButton() const override { return kCloseButton; }
  void OnCommand(int id) override;
  void OnSelect(int id, int index) override;
  void Cancel() override { End(kIdOk); }  // the system close

  // The choice shown: radio 0/1/2 (none = 0) and both combo values.
  uint32_t ShownCloseType() const;
  RetrySettings ShownRetry() const;

 private:
  void ShowValues(uint32_t closeType, RetrySettings retry);
  void UpdateApply();

  AgentMode mode_;
  AgentSettings& settings_;
  uint32_t appliedClose_ = 0;
  RetrySettings appliedRetry_;
};

class CKTConfigDlg final : public CConfigDlgBase {
 public:
  explicit CKTConfigDlg(AgentSettings& settings) : CConfigDlgBase(227, AgentMode::kDownload, settings) {}
};

class CMWConfigDlg final : public CConfigDlgBase {
 public:
  explicit CMWConfigDlg(AgentSettings& settings) : CConfigDlgBase(224, AgentMode::kUpload, settings) {}
};

}  // namespace vard
