#pragma once
// The questions and messages a worker puts to the user. Called on the worker
// thread; the view answers them on its UI thread (modal dialogs owned by the
// view window, or the console). Every call blocks the worker until the user
// answered or until `stop` is set (the view pressed stop): then it returns
// at once with the answer that abandons the file.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "common/platform/Clock.h"
#include "common/transfer/ExistingFileAnswer.h"

namespace vard {

// Choices of the upload rename dialog, as the upload job sends them.
namespace rename_choice {
constexpr int32_t kOverwrite = 0;
constexpr int32_t kResume = 1;
constexpr int32_t kAutoRename = 2;
}  // namespace rename_choice

// The download view's radio buttons for a file that already exists.
enum class ExistingFileOption { kAsk, kOverwrite, kResume };

struct DownloadExistsQuestion {
  std::u16string targetPath;  // the local file that exists
  int64_t newSize = 0;        // size the server announced
  bool resumeAllowed = true;
};

struct DownloadExistsAnswer {
  int32_t action = existing_file::kSkip;  // an existing_file answer
  bool applyToAll = false;
  std::u16string savePath;  // 205: the path chosen in the save dialog
};

struct UploadExistsQuestion {
  std::u16string filePath;  // the local file being sent
  int64_t newSize = 0;
  int64_t existingSize = 0;          // what the server holds
  platform::UtcTime existingTime{};  // the server file's time, in local time
  bool resumeAllowed = true;
};

struct UploadRenameAnswer {
  std::u16string name;  // at most 259 characters
  int32_t choice = rename_choice::kOverwrite;
};

struct UploadExistsAnswer {
  int32_t action = existing_file::kSkip;  // an existing_file answer
  bool applyToAll = false;
  UploadRenameAnswer rename;  // 205: the rename dialog's name and choice
};

// Answers of the retry countdown.
enum class RetryAnswer { kRetry = 1, kStop = 2 };

class IWorkerDialogs {
 public:
  using StopFlag = std::atomic<uint8_t>;
  virtual ~IWorkerDialogs() = default;

  // The download existing-file question. Stopped: skip.
  virtual DownloadExistsAnswer AskDownloadExists(const DownloadExistsQuestion& question, const StopFlag& stop) = 0;
  // The upload existing-file question; its save-as button asks the rename
  // dialog before it answers 205. Stopped: skip.
  virtual UploadExistsAnswer AskUploadExists(const UploadExistsQuestion& question, const StopFlag& stop) = 0;
  // The retry countdown: `format` holds one %d for the seconds left; it
  // counts down from `seconds` on the clock and retries at 0. Stopped: stop.
  virtual RetryAnswer RetryCountdown(const std::u16string& format, int seconds, const StopFlag& stop) = 0;
  // An information message box owned by the view; returns when dismissed.
  virtual void ShowInformation(const std::u16string& text, const std::u16string& caption, const StopFlag& stop) = 0;

  // The download view's existing-file radio buttons (read and set by the
  // download job without waiting for the user).
  virtual ExistingFileOption ExistingFileChoice() = 0;
  virtual void SetExistingFileChoice(ExistingFileOption option) = 0;
};

}  // namespace vard
