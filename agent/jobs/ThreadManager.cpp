#include "agent/jobs/ThreadManager.h"

#include <cstdlib>

#include "common/platform/DebugOutput.h"

namespace vard {

CThreadManager::~CThreadManager() {
  if (thread_.joinable()) thread_.join();
}

void CThreadManager::Start() {
  if (running_.load()) return;
  // A run that ended by itself left its thread to be joined.
  if (thread_.joinable()) thread_.join();
  running_ = 1;
  thread_ = std::thread([this] { Entry(); });
}

void CThreadManager::Entry() {
  runThread_ = std::this_thread::get_id();
  try {
    Run();
  } catch (...) {
    // A worker must not take the process down; its entries keep their status.
    platform::DebugOutput(u"MWKTPlusProc: a worker run ended with an exception");
  }
  runThread_ = std::thread::id();
  running_ = 0;
}

void CThreadManager::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  running_ = 0;
}

CInternetThreadBase::CInternetThreadBase(StatusCallback callback, platform::IClock& clock)
    : callback_(std::move(callback)), clock_(clock) {}

CInternetThreadBase::~CInternetThreadBase() {
  // The run uses this object's members: it must be gone before they are.
  StopForGood();
}

void CInternetThreadBase::StopAndWait() {
  stop_requested = 1;
  Join();
  stop_requested = 0;
}

void CInternetThreadBase::StopPromptly() {
  if (StopWithin(kEndGraceMs)) return;
  StopAndWait();
}

bool CInternetThreadBase::StopWithin(uint32_t graceMs) {
  stop_requested = 1;
  constexpr uint32_t kPollMs = 10;
  const auto ended = [this] { return !IsRunning(); };
  if (aborted_.load() || !clock_.WaitUntil(ended, graceMs, kPollMs)) {
    aborted_ = true;
    AbortBlockingCalls();
    if (!clock_.WaitUntil(ended, graceMs, kPollMs)) {
      platform::DebugOutput(u"MWKTPlusProc: the worker did not stop in time");
      return false;
    }
  }
  Join();
  stop_requested = 0;
  aborted_ = false;
  return true;
}

void CInternetThreadBase::StopForGood() {
  if (!HasThread()) return;
  if (StopWithin(kEndGraceMs)) return;
  if (stuckRun_) {
    stuckRun_();
  } else {
    // Waiting could hang the end of the process for good; the files keep
    // what the run wrote so far, as after a stop.
    platform::DebugOutput(u"MWKTPlusProc: ending with the worker still blocked");
    std::_Exit(kStuckRunExitCode);
  }
  stop_requested = 1;
  Join();
  stop_requested = 0;
}

void CInternetThreadBase::RequestPause() {
  alive = 0;
  pause_requested = 1;
}

void CInternetThreadBase::ResumeFromPause() {
  pause_requested = 0;
  alive = 1;
}

void CInternetThreadBase::WaitWhilePaused() {
  if (!pause_requested.load() || stop_requested.load()) return;
  waitingAtPause_ = true;
  clock_.WaitUntil([this] { return !pause_requested.load() || stop_requested.load(); }, platform::kNoTimeout, 10);
  waitingAtPause_ = false;
}

void TransferMutex::lock() {
  // Only the worker's outermost take is a safe point: deeper ones hold the
  // lock already, and the UI thread would wait for it.
  const bool worker = owner_.OnRunThread();
  if (worker && workerDepth_ == 0) owner_.WaitWhilePaused();
  mutex_.lock();
  if (worker) ++workerDepth_;
}

bool TransferMutex::try_lock() {
  if (!mutex_.try_lock()) return false;
  if (owner_.OnRunThread()) ++workerDepth_;
  return true;
}

void TransferMutex::unlock() {
  if (owner_.OnRunThread()) --workerDepth_;
  mutex_.unlock();
}

void CInternetThreadBase::SendStatus(VARD_THREAD_STATUS status) {
  if (callback_) callback_(status);
}

CInternetThreadImpl::CInternetThreadImpl(EntryList& entries, IWorkerDialogs& dialogs, StatusCallback callback,
                                         platform::IClock& clock)
    : CInternetThreadBase(std::move(callback), clock), entries_(&entries), dialogs_(&dialogs) {}

std::shared_ptr<UPLOAD_INFO> CInternetThreadImpl::CurrentEntry() {
  TransferGuard lock(TransferLock());
  if (index < 0 || static_cast<size_t>(index) >= entries_->size()) return nullptr;
  return (*entries_)[static_cast<size_t>(index)];
}

void CInternetThreadImpl::AdvanceIndex() {
  TransferGuard lock(TransferLock());
  ++index;
}

void CInternetThreadImpl::ResetRunCounters() {
  TransferGuard lock(TransferLock());
  run_bytes = 0;
  run_seconds = 0;
}

}  // namespace vard
