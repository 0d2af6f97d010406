#pragma once
// The control's download engine: on one worker thread it fetches the items
// of a run one after another into their files, resuming partly written
// files, asking about existing ones through its host, holding the rate
// limit and keeping the counters the dialog shows. Each item's outcome is
// its own; the run's error flag decides how the run ends.
//
// Owned by the dialog that runs it. Run() is the worker body; Cancel(),
// Pause(), Resume() and AbortNetwork() may come from the dialog's thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/http/InternetHandles.h"
#include "common/log/DiagnosticLog.h"
#include "common/platform/Clock.h"
#include "common/transfer/TransferOutcome.h"
#include "control/DownloadList.h"
#include "control/engine/DownloadProgress.h"
#include "control/engine/DownloadRunHost.h"
#include "control/engine/HeldRunHost.h"
#include "control/engine/RunHold.h"
#include "control/engine/DownloadTarget.h"
#include "control/engine/NetworkPath.h"

namespace vard {

struct DownloadRunOptions {
  std::u16string downloadFolder;
  uint32_t limitRateKB = 0;
  bool utf8Urls = false;
  bool writeLog = false;
  bool resumeByQuery = false;
  bool urlEncode = true;
  bool allowResume = true;
  bool alwaysResume = false;
  bool useFullPath = false;
  bool singleMode = false;
  bool overwriteAll = false;  // the run starts with "overwrite, apply to all"
  // What the files' origin marks name: the page, and the more restrictive
  // of its zone and each file URL's.
  std::u16string referrerUrl;
  std::optional<platform::UrlZone> pageZone;
  // The names come from a page the control does not trust: none begins
  // with ".", and no link below the download folder leads a write out.
  bool untrustedPage = false;
  // Body bytes one request may bring before the rest is asked for anew.
  int64_t cycleLimit = 0x40000000;
};

// Outside services of the engine. `log` receives the diagnostic entries
// (written when the run's log switch is on); `debug`, when set, receives
// the engine's debug lines.
struct DownloadEngineServices {
  platform::IClock* clock = nullptr;
  IDownloadTarget* target = nullptr;
  IDownloadRunHost* host = nullptr;
  std::function<void(bool writeLog, const LogEvent&)> log;
  std::function<void(const std::u16string&)> debug;
  // The remote names of network drives; left empty, paths stay as built.
  DriveLookup mappedDrive;
};

// Item states. The item keeps the number (its list's records do).
enum class ItemState : int32_t { kWaiting = 0, kTransferring = 1, kDone = 2, kCancelled = 3, kFailed = 4 };
namespace item {
constexpr int32_t kWaiting = static_cast<int32_t>(ItemState::kWaiting);
constexpr int32_t kTransferring = static_cast<int32_t>(ItemState::kTransferring);
constexpr int32_t kDone = static_cast<int32_t>(ItemState::kDone);
constexpr int32_t kCancelled = static_cast<int32_t>(ItemState::kCancelled);
constexpr int32_t kFailed = static_cast<int32_t>(ItemState::kFailed);
}  // namespace item

// End codes of a run.
namespace endcode {
constexpr int kCompleted = 1, kCancelled = 2, kFailed = 7;
}

class DownloadEngine {
 public:
  DownloadEngine(DownloadEngineServices services, DownloadRunOptions options, std::vector<DownloadItem> items);

  void Run();
  void DownloadOneItem(size_t index);

  void Cancel();
  bool Cancelled() const { return cancel_; }
  // The stop question: the worker halts at its next block (a progress
  // report, a call to its host; a rate-limit wait ends early) until
  // Resume().
  void Pause();
  void Resume();
  // The worker waits there now.
  bool Held() const { return hold_.WorkerWaiting(); }
  // Closes the session, which breaks a network call that blocks.
  void AbortNetwork() { session_.Close(); }

  bool Running() const { return running_; }
  bool Completed() const { return completed_; }
  bool ErrorFlag() const { return errorFlag_; }
  bool SingleCancelled() const { return singleCancelled_; }
  // 7 after any failed item, else 1 when the run ended without a cancel, else 2.
  int EndCode() const;

  DownloadItem Item(size_t index) const;
  size_t ItemCount() const { return items_.size(); }
  ProgressSnapshot Progress() const { return progress_.Snapshot(); }
  const DownloadRunOptions& Options() const { return options_; }

 private:
  // What an item's transfer has counted so far, as the dialog shows it.
  struct Counted {
    int64_t done = 0;       // the file's end
    bool reported = false;  // the progress has taken the item's start
    int64_t fileSize = 0;   // as the page or an answer gave it
  };
  enum class ItemEnd { kComplete, kFailedRead, kFailedWrite, kCancelled, kEarly };

  // Opens the item's file; a failure fails the item.
  bool OpenTarget(size_t index, const std::u16string& path, bool resume);
  bool DecideResume(size_t index, std::u16string& path, bool& resume);
  ItemEnd TransferCycles(size_t index, const std::u16string& path, bool resume);
  // The item's status, log lines and end for how its transfer ended.
  ItemEnd Settle(size_t index, const std::u16string& path, bool resume, Counted& counted,
                 const transfer::TransferOutcome& outcome);
  // The file's end moved to `done`: the progress follows once it has the
  // item's start.
  void Place(Counted& counted, int64_t done);
  void FailItem(size_t index, const std::u16string& path, const std::u16string& message);
  void SetStatus(size_t index, ItemState state);
  void Log(size_t index, const std::u16string& path, const std::u16string& message, int64_t offset,
           int64_t finalSize);
  void Debug(std::u16string_view format, std::initializer_list<FormatArg> args);
  // Waits while paused; false when the run was cancelled meanwhile.
  bool SafePoint();

  DownloadEngineServices s_;
  DownloadRunOptions options_;
  mutable std::mutex itemsMutex_;
  std::vector<DownloadItem> items_;
  RunHold hold_;
  HeldRunHost heldHost_;  // what s_.host points to
  DownloadProgress progress_;
  CInternetSession session_;

  std::atomic<bool> running_{false};
  std::atomic<bool> cancel_{false};
  std::atomic<bool> completed_{false};
  std::atomic<bool> errorFlag_{false};
  std::atomic<bool> singleCancelled_{false};
  bool applyAllSaveAs_ = false, applyAllOverwrite_ = false, applyAllResume_ = false;

  bool opened_ = false;  // the current item's file is open
};

// Whether the engine fetches this URL at all: http and https only.
bool IsHttpUrl(std::u16string_view url);

}  // namespace vard
