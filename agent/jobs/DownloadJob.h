#pragma once
// The agent's download job: what the download worker runs on its thread.
// It walks the view's list from the worker's current index and, for each
// entry, fetches its URL into a file below the save folder: resuming what
// is on disk, asking about existing files, holding the entry's rate limit,
// retrying after network failures, telling the page's server and logging
// each step. Files go through the output the system needs (directly, or
// through the file service broker).
//
// Owned by the download worker; every call runs on the worker thread.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "agent/ListEntries.h"
#include "agent/jobs/DownloadJobHost.h"
#include "agent/jobs/DownloadOutput.h"
#include "common/handoff/SavedDownloadMarker.h"
#include "common/log/DiagnosticLog.h"
#include "common/platform/Clock.h"
#include "common/platform/Http.h"
#include "common/transfer/TransferOutcome.h"
#include "common/transfer/TurnProgress.h"

namespace vard {

struct DownloadJobServices {
  platform::IClock* clock = nullptr;
  IDownloadOutput* direct = nullptr;  // before major version 6
  IDownloadOutput* broker = nullptr;  // major version 6 and later
  // Asked at the start of every file.
  std::function<int()> osMajorVersion;
  // The worker's open session.
  std::function<platform::InternetHandle()> session;
  // The notification posts' session, which a close can break; unset: each
  // post opens its own.
  std::function<platform::InternetHandle()> notifySession;
  // "kt_save.dat"; empty: nothing to mark.
  std::u16string savedDownloadsPath;
  std::function<void(const LogEvent&)> log;
};

// How one entry's turn ended.
enum class FileEnd {
  kNormal,          // done, or its status says what went wrong
  kPause,           // stopped by the user, or a write failed
  kNetworkFailure,  // worth a retry after the countdown
};

class DownloadJob {
 public:
  // Requests in a row that do not move the end of the file, before the
  // entry is taken for a network failure.
  static constexpr int kStallLimit = transfer::TurnProgress::kStallLimit;

  DownloadJob(IDownloadJobHost& host, DownloadJobServices services);

  // The worker's run.
  void Run(const EntryList& list, const std::u16string& saveFolder, const std::u16string& notifyUrl);
  // One entry's turn; `retry` is the run's counter, reset when a block is
  // written.
  FileEnd DownloadOneFile(CDownloadFile& entry, const std::u16string& saveFolder, int& retry);

 private:
  struct Turn;
  FileEnd Transfer(Turn& t, int& retry);
  // The entry's status, log lines and end for how its transfer ended.
  FileEnd Settle(Turn& t, const transfer::TransferOutcome& outcome);
  void SetStatus(CDownloadFile& entry, EntryStatus status);
  static EntryStatus StatusOf(const CDownloadFile& entry) { return static_cast<EntryStatus>(entry.status); }
  // bytes_done of the entry, and the job's total with it.
  void SetDone(CDownloadFile& entry, int64_t bytes);
  void Log(const CDownloadFile& entry, const std::u16string& path, const std::u16string& message,
           int64_t offset = -1, int64_t finalSize = -1);
  void LogIpc(const CDownloadFile& entry, const std::u16string& where, const std::u16string& message);

  IDownloadJobHost& host_;
  DownloadJobServices s_;
  SavedDownloadMarker saved_;
  // The last entry asked about, with its path and answer: its file is made
  // only once a server answers with it, so a retry must not ask again.
  struct Answered {
    const CDownloadFile* entry = nullptr;
    std::u16string path;
    ExistingFileAnswer action = ExistingFileAnswer::kNone;
  } answered_;
};

}  // namespace vard
