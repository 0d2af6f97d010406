#pragma once
// The rename dialog of uploads: a new name (characters a file name cannot
// hold are refused as they are typed) and what the server does when that
// name exists too.
#include "agent/jobs/WorkerDialogs.h"
#include "agent/views/DialogPresenter.h"

namespace vard {

class CUploadRename final : public CDialogPresenter {
 public:
  static constexpr int kName = 1010, kOverwrite = 203, kResume = 204, kAutoRename = 1013;
  static constexpr size_t kMaxTyped = 218;
  static constexpr size_t kMaxStored = 259;

  explicit CUploadRename(const std::u16string& name);

  // A console without a user keeps the name and overwrites.
  int DefaultButton() const override { return kIdOk; }
  void OnCommand(int id) override;
  std::u16string OnEditChange(int id, const std::u16string& text) override;

  // Stored when the dialog ends (either button).
  const UploadRenameAnswer& Answer() const { return answer_; }

 private:
  UploadRenameAnswer answer_;
};

}  // namespace vard
