#include "agent/jobs/ThreadManager.h"

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
  try {
    Run();
  } catch (...) {
    // A worker must not take the process down; its entries keep their status.
    platform::DebugOutput(u"MWKTPlusProc: a worker run ended with an exception");
  }
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
  stop_requested = 1;
  Join();
}

void CInternetThreadBase::StopAndWait() {
  stop_requested = 1;
  Join();
  stop_requested = 0;
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
