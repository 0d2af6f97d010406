#include "agent/testing/FakeTransferJob.h"

#include <algorithm>

#include "common/platform/PathText.h"

namespace vard::testing {

FakeTransferJob::FakeTransferJob(EntryList& entries, IWorkerDialogs& dialogs, StatusCallback callback,
                                 platform::IClock& clock, FakeJobScript script)
    : CInternetThreadImpl(
          entries, dialogs,
          [this, callback = std::move(callback)](VARD_THREAD_STATUS s) {
            {
              std::lock_guard<std::mutex> lock(sentMutex_);
              sent_ += static_cast<char>('0' + s);
            }
            if (callback) callback(s);
          },
          clock),
      script_(std::move(script)) {
  // A fake clock's grace passes at once while the run reacts in real time:
  // a run still going then is waited for, as a test needs.
  SetStuckRunHandler([] {});
}

FakeTransferJob::~FakeTransferJob() { StopForGood(); }

void FakeTransferJob::AbortBlockingCalls() {
  std::lock_guard<std::mutex> lock(blockMutex_);
  aborted_ = true;
  blockWake_.notify_all();
}

void FakeTransferJob::Unblock() {
  std::lock_guard<std::mutex> lock(blockMutex_);
  released_ = true;
  blockWake_.notify_all();
}

std::string FakeTransferJob::SentStatuses() const {
  std::lock_guard<std::mutex> lock(sentMutex_);
  return sent_;
}

void FakeTransferJob::Run() {
  ++runs_;
  SendStatus(kStatusRunStart);
  ResetRunCounters();
  bool stopped = false;
  for (;;) {
    if (stop_requested.load()) {
      stopped = true;
      break;
    }
    auto entry = CurrentEntry();
    if (!entry) break;
    if (entry->status == entry_status::kDone) {
      AdvanceIndex();
      continue;
    }
    try {
      TransferOne(*entry);
    } catch (const ExceptionPause&) {
      {
        TransferGuard lock(TransferLock());
        entry->status = entry_status::kStopped;
      }
      SendStatus(kStatusFileEnd);
      stopped = true;
      break;
    }
    SendStatus(kStatusFileEnd);
    AdvanceIndex();
  }
  if (!stopped) {
    TransferGuard lock(TransferLock());
    index = 0;
  }
  SendStatus(kStatusRunEnd);
}

bool FakeTransferJob::SettleExisting(UPLOAD_INFO& entry) {
  const std::u16string name = entry.Text(0);
  if (entry.bytes_done != 0 || !script_.existing.count(name)) return true;
  switch (Dialogs().ExistingFileChoice()) {
    case ExistingFileOption::kOverwrite:
      duplicate_action = existing_file::kOverwrite;
      return true;
    case ExistingFileOption::kResume:
      duplicate_action = existing_file::kResume;
      return true;
    case ExistingFileOption::kAsk:
      break;
  }
  DownloadExistsQuestion q;
  q.targetPath = script_.existingFolder.empty() ? name : script_.existingFolder + u"\\" + name;
  q.newSize = entry.file_size;
  const DownloadExistsAnswer a = Dialogs().AskDownloadExists(q, stop_requested);
  if (stop_requested.load()) throw ExceptionPause();
  duplicate_action = a.action;
  const bool toAll = a.applyToAll && (a.action == existing_file::kOverwrite || a.action == existing_file::kResume);
  Dialogs().SetExistingFileChoice(!toAll ? ExistingFileOption::kAsk
                                  : a.action == existing_file::kOverwrite ? ExistingFileOption::kOverwrite
                                                                             : ExistingFileOption::kResume);
  if (a.action == existing_file::kSkip) {
    TransferGuard lock(TransferLock());
    entry.status = entry_status::kWaiting;
    return false;
  }
  if (a.action == existing_file::kSaveAs) {
    {
      TransferGuard lock(TransferLock());
      StoreField(entry.path, platform::LastPathComponent(a.savePath));
    }
    SendStatus(kStatusFileStart);
  }
  return true;
}

void FakeTransferJob::TransferOne(UPLOAD_INFO& entry) {
  SendStatus(kStatusFileStart);
  if (!SettleExisting(entry)) return;
  const std::u16string name = entry.Text(0);
  {
    TransferGuard lock(TransferLock());
    entry.status = entry_status::kTransferring;
  }
  for (;;) {
    if (stop_requested.load()) throw ExceptionPause();
    if (script_.pauseAtJobBytes >= 0 && !pauseUsed_) {
      bool reached;
      {
        TransferGuard lock(TransferLock());
        reached = job_bytes_done >= script_.pauseAtJobBytes;
      }
      if (reached) {
        pauseUsed_ = true;
        paused_ = true;
        Clock().WaitUntil([this] { return !paused_.load() || stop_requested.load(); }, platform::kNoTimeout, 1);
        paused_ = false;
        continue;
      }
    }
    if (script_.blockAtJobBytes >= 0 && !blockUsed_) {
      bool reached;
      {
        TransferGuard lock(TransferLock());
        reached = job_bytes_done >= script_.blockAtJobBytes;
      }
      if (reached) {
        // A call blocked in the system: no clock moves it along.
        blockUsed_ = true;
        std::unique_lock<std::mutex> wait(blockMutex_);
        blocked_ = true;
        blockWake_.wait(wait, [this] { return (aborted_.load() && !script_.deafToAbort) || released_.load(); });
        blocked_ = false;
        if (aborted_.load()) throw ExceptionPause();  // the call failed
      }
    }
    auto failures = script_.networkFailures.find(name);
    if (failures != script_.networkFailures.end() && failures->second > 0 && entry.bytes_done == 0) {
      --failures->second;
      if (Dialogs().RetryCountdown(u"재시도 (%d)", script_.retrySeconds, stop_requested) == RetryAnswer::kRetry)
        continue;
      if (stop_requested.load()) throw ExceptionPause();
      TransferGuard lock(TransferLock());
      entry.status = entry_status::kFailed;
      return;
    }
    int64_t chunk;
    {
      TransferGuard lock(TransferLock());
      const int64_t left = entry.file_size - entry.bytes_done;
      if (left <= 0) {
        entry.status = entry_status::kDone;
        return;
      }
      auto fail = script_.failAt.find(name);
      if (fail != script_.failAt.end() && entry.bytes_done >= fail->second) {
        entry.status = entry_status::kFailed;
        return;
      }
      chunk = std::min(left, script_.blockBytes);
      if (fail != script_.failAt.end()) chunk = std::min(chunk, fail->second - entry.bytes_done);
    }
    const int64_t start = Clock().PerfCounter();
    if (script_.blockMs) Clock().Sleep(script_.blockMs);
    const double seconds =
        static_cast<double>(Clock().PerfCounter() - start) / static_cast<double>(Clock().PerfFrequency());
    TransferGuard lock(TransferLock());
    entry.bytes_done += chunk;
    run_bytes += chunk;
    job_bytes_done += chunk;
    run_seconds += seconds;
  }
}

std::function<std::unique_ptr<CInternetThreadImpl>(EntryList&, IWorkerDialogs&, CInternetThreadBase::StatusCallback,
                                                   platform::IClock&)>
FakeJobFactory(FakeJobScript script, FakeTransferJob** last) {
  return [script, last](EntryList& entries, IWorkerDialogs& dialogs, CInternetThreadBase::StatusCallback cb,
                        platform::IClock& clock) {
    auto job = std::make_unique<FakeTransferJob>(entries, dialogs, std::move(cb), clock, script);
    if (last) *last = job.get();
    return job;
  };
}

}  // namespace vard::testing
