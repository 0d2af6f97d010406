#pragma once
// What the upload job needs of the worker that runs it and of the view that
// owns the worker: the worker's flags, lock, counters and remembered
// answers, its status callback, and the view's questions. The upload worker
// implements this over its own members; tests implement it with scripted
// answers. Every call comes from the worker thread.
#include <cstdint>

#include "agent/jobs/DownloadJobHost.h"
#include "agent/jobs/WorkerDialogs.h"
#include "agent/settings/AgentSettings.h"

namespace vard {

class IUploadJobHost {
 public:
  virtual ~IUploadJobHost() = default;

  virtual bool StopRequested() = 0;
  virtual void EnterTransferLock() = 0;
  virtual void LeaveTransferLock() = 0;
  // The same counters the download worker keeps.
  virtual DownloadCounters Counters() = 0;
  // The list position the run continues from; the run moves it.
  virtual int32_t& CurrentIndex() = 0;
  // Data bytes per part request, copied from each entry.
  virtual int32_t& PartSize() = 0;
  // The remembered existing-file answer and whether it holds for all.
  virtual int32_t& DuplicateAction() = 0;
  virtual uint8_t& ApplyToAll() = 0;
  // The status callback (VARD_THREAD_STATUS values 0 to 7).
  virtual void Status(int value) = 0;

  // The existing-file question; its save-as answer carries the rename
  // dialog's name and choice.
  virtual UploadExistsAnswer AskExists(const UploadExistsQuestion& question) = 0;
  // The countdown before the next try: true when it ran out by itself,
  // false when the user cancelled it or the run was stopped.
  virtual bool RetryCountdown(int seconds) = 0;
  virtual RetrySettings Retry() = 0;
};

}  // namespace vard
