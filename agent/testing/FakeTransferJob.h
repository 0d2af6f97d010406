#pragma once
// A worker for tests and benchmarks that moves no data over any network: it
// walks the list as the real jobs do (statuses, counters, notifications,
// stop at the next block), moving bytes at a chosen rate on the clock, and
// fails, asks or pauses where its script says.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "agent/jobs/ThreadManager.h"
#include "agent/jobs/WorkerDialogs.h"

namespace vard::testing {

struct FakeJobScript {
  int64_t blockBytes = 64 * 1024;  // bytes per block
  uint32_t blockMs = 0;            // clock time one block takes; 0: full speed
  // Entry name -> the entry fails (status 0) once this many bytes are done.
  std::map<std::u16string, int64_t> failAt;
  // Entry name -> network failures before its first byte; each one shows
  // the retry countdown of `retrySeconds` (stop answer: the entry fails).
  std::map<std::u16string, int> networkFailures;
  int retrySeconds = 5;
  // Entry names whose file "exists": the existing-file option or question
  // decides (skip: status 1; save-as: the entry takes the new name).
  std::set<std::u16string> existing;
  // The folder the question names for them (empty: the name alone).
  std::u16string existingFolder;
  // The run waits (cooperatively) once the list's done bytes reach this.
  int64_t pauseAtJobBytes = -1;
  // The run blocks in a "network call" once the list's done bytes reach
  // this, deaf to a stop request, until its handles are closed
  // (AbortBlockingCalls) or the test lets it go (Unblock).
  int64_t blockAtJobBytes = -1;
  // The blocked call does not return when its handles are closed either.
  bool deafToAbort = false;
};

class FakeTransferJob final : public CInternetThreadImpl {
 public:
  FakeTransferJob(EntryList& entries, IWorkerDialogs& dialogs, StatusCallback callback, platform::IClock& clock,
                  FakeJobScript script);
  ~FakeTransferJob() override;

  // True while the run waits at the pause point.
  bool Paused() const { return paused_.load(); }
  void Resume() { paused_ = false; }
  int Runs() const { return runs_.load(); }
  bool Blocked() const { return blocked_.load(); }
  bool Aborted() const { return aborted_.load(); }
  void Unblock();
  // Statuses sent, in order (any thread).
  std::string SentStatuses() const;

 protected:
  void Run() override;
  void AbortBlockingCalls() override;

 private:
  void TransferOne(UPLOAD_INFO& entry);
  bool SettleExisting(UPLOAD_INFO& entry);

  FakeJobScript script_;
  std::atomic<bool> paused_{false};
  bool pauseUsed_ = false;
  std::atomic<int> runs_{0};
  std::atomic<bool> blocked_{false}, aborted_{false}, released_{false};
  bool blockUsed_ = false;
  std::mutex blockMutex_;
  std::condition_variable blockWake_;
  mutable std::mutex sentMutex_;
  std::string sent_;
};

// A factory for MainViewSetup::makeWorker; `last` (optional) gets the job.
std::function<std::unique_ptr<CInternetThreadImpl>(EntryList&, IWorkerDialogs&,
                                                   CInternetThreadBase::StatusCallback, platform::IClock&)>
FakeJobFactory(FakeJobScript script, FakeTransferJob** last = nullptr);

}  // namespace vard::testing
