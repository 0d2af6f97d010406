#pragma once
// The two "file already exists" questions: overwrite, resume, save under
// another name or skip, with "apply to all". The download one looks at the
// local file itself; the upload one is told what the server holds and asks
// the rename dialog behind its save-as button.
#include <functional>
#include <memory>
#include <optional>

#include "agent/jobs/WorkerDialogs.h"
#include "agent/views/DialogPresenter.h"

namespace vard {

class CUploadRename;

// Date and time of a file as the questions show them.
std::u16string ModifiedTimeText(const platform::UtcTime& localTime);
// The download question's file-time source on the real file system: the
// last write in the system's time zone; nothing when it cannot be read.
std::optional<platform::UtcTime> LocalFileWriteTime(const std::u16string& path);

class CAskSaveAsBase : public CDialogPresenter {
 public:
  static constexpr int kOverwrite = 203, kResume = 204, kSaveAs = 205, kApplyAll = 206;
  static constexpr int kIcon = 207, kName = 208, kExistingSize = 210, kNewSize = 211, kExistingTime = 212;

  // A console without a user skips the file: nothing on disk or on the
  // server is changed without being asked.
  int DefaultButton() const override { return kIdCancel; }
  bool ApplyToAll() const { return Controls().Checked(kApplyAll); }
  // The file asked about (its icon shows next to the existing file's facts).
  const std::u16string& FilePath() const { return filePath_; }

 protected:
  CAskSaveAsBase(uint32_t templateId, const std::u16string& path, int64_t newSize, int64_t existingSize,
                 const std::u16string& timeText, bool resumeAllowed);
  // Shared clicks; false for 205, which each question handles itself.
  bool Common(int id);

 private:
  std::u16string filePath_;
};

class CAskSaveAsDownloadDlg final : public CAskSaveAsBase {
 public:
  // Asks for a path ("save as"); nothing when cancelled.
  using AskPath = std::function<std::optional<std::u16string>(const std::u16string& path)>;
  // The local file's time, when it can be read.
  using FileTime = std::function<std::optional<platform::UtcTime>(const std::u16string& path)>;

  CAskSaveAsDownloadDlg(const DownloadExistsQuestion& question, AskPath askPath, const FileTime& fileTime);
  void OnCommand(int id) override;
  DownloadExistsAnswer Answer() const;

 private:
  std::u16string target_;
  std::u16string savePath_;
  AskPath askPath_;
};

class CAskSaveAsDlg final : public CAskSaveAsBase {
 public:
  // Shows the rename dialog and calls the handler when it ends.
  using OpenRename = std::function<void(std::shared_ptr<CUploadRename>, EndHandler)>;

  CAskSaveAsDlg(const UploadExistsQuestion& question, OpenRename openRename);
  void OnCommand(int id) override;
  UploadExistsAnswer Answer() const;

 private:
  std::u16string path_;
  OpenRename openRename_;
  UploadRenameAnswer rename_;
};

}  // namespace vard
