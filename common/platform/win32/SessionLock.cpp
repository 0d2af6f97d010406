#include "common/platform/SessionLock.h"

#include <windows.h>

#include "common/platform/win32/LowIntegrity.h"
#include "common/platform/win32/Wide.h"

namespace vard::platform {

SessionLock::SessionLock(std::u16string name, IClock& clock) : name_(std::move(name)), clock_(clock) {}

SessionLock::~SessionLock() {
  Release();
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool SessionLock::TryAcquire() {
  if (handle_ == -1) {
    win32::LowIntegrityAttributes security;
    HANDLE h = ::CreateMutexW(security.Get(), FALSE, win32::W(u"Local\\" + name_));
    if (!h) return false;
    handle_ = reinterpret_cast<intptr_t>(h);
  }
  // An abandoned lock is ours now; its holder is gone.
  const DWORD r = ::WaitForSingleObject(reinterpret_cast<HANDLE>(handle_), 0);
  return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

bool SessionLock::Acquire(uint32_t timeoutMs) {
  if (held_) return true;
  held_ = TryAcquire() || (handle_ != -1 && clock_.WaitUntil([this] { return TryAcquire(); }, timeoutMs, 1));
  return held_;
}

void SessionLock::Release() {
  if (!held_) return;
  ::ReleaseMutex(reinterpret_cast<HANDLE>(handle_));
  held_ = false;
}

}  // namespace vard::platform
