#pragma once
// What the download job needs of the worker that runs it and of the view
// that owns the worker: the worker's flags, lock and counters, its status
// callback, and the questions the view asks for it. The download worker
// implements this over its own members; tests implement it with scripted
// answers. Every call comes from the worker thread.
#include <cstdint>
#include <string>

#include "agent/jobs/WorkerDialogs.h"
#include "agent/settings/AgentSettings.h"

namespace vard {

struct DuplicateReply {
  int32_t answer = existing_file::kSkip;
  bool applyToAll = false;
  std::u16string newPath;  // the chosen path for kSaveAs
};

// The worker's counters, which the view reads under the transfer lock.
struct DownloadCounters {
  int64_t* run_bytes = nullptr;
  double* run_seconds = nullptr;
  int64_t* job_bytes_done = nullptr;
};

class IDownloadJobHost {
 public:
  virtual ~IDownloadJobHost() = default;

  virtual bool StopRequested() = 0;
  // The worker is alive and its run has not been ended (the rate-limit
  // sleep stops when this turns false).
  virtual bool Running() = 0;
  virtual void EnterTransferLock() = 0;
  virtual void LeaveTransferLock() = 0;
  virtual DownloadCounters Counters() = 0;
  // The list position the run continues from; the run moves it.
  virtual int32_t& CurrentIndex() = 0;
  // The remembered answer to the existing-file question.
  virtual int32_t& DuplicateAction() = 0;
  // The status callback (0 run starts, 3 file starts, 4 file ends, 7 run ends).
  virtual void Status(int value) = 0;
  // The worker's running mark is cleared: the last step of a run.
  virtual void RunEnded() = 0;

  virtual ExistingFileOption ExistingOption() = 0;
  virtual void SetExistingOption(ExistingFileOption option) = 0;
  virtual DuplicateReply AskDuplicate(const std::u16string& path, int64_t fileSize) = 0;
  // The countdown before retry `attempt` (1 = the first retry): true when it
  // ran out by itself, false when the user cancelled it.
  virtual bool RetryCountdown(int attempt, int seconds) = 0;
  virtual RetrySettings Retry() = 0;
  // An information message owned by the view.
  virtual void Message(const std::u16string& text, const std::u16string& caption) = 0;
};

}  // namespace vard
