#include "common/platform/NamedMutex.h"

#include <windows.h>

#include <utility>

#include "common/platform/win32/LowIntegrity.h"
#include "common/platform/win32/Wide.h"

namespace vard::platform {

NamedMutex NamedMutex::Create(const std::u16string& name, bool* alreadyExisted, IClock& clock) {
  (void)clock;  // one call answers; nothing to retry
  if (alreadyExisted) *alreadyExisted = false;
  // Low-integrity processes (a protected-mode page) must find it too.
  win32::LowIntegrityAttributes security;
  HANDLE h = ::CreateMutexW(security.Get(), TRUE, win32::W(name));
  if (!h) return {};
  const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
  if (alreadyExisted) *alreadyExisted = existed;
  return NamedMutex(reinterpret_cast<intptr_t>(h), !existed);
}

bool NamedMutex::Exists(const std::u16string& name) {
  HANDLE h = ::OpenMutexW(SYNCHRONIZE, FALSE, win32::W(name));
  if (h) {
    ::CloseHandle(h);
    return true;
  }
  return ::GetLastError() == ERROR_ACCESS_DENIED;  // exists, owned by a stronger account
}

void NamedMutex::Close() {
  if (handle_ == kInvalid) return;
  HANDLE h = reinterpret_cast<HANDLE>(handle_);
  if (owned_) ::ReleaseMutex(h);
  ::CloseHandle(h);
  handle_ = kInvalid;
  owned_ = false;
}

}  // namespace vard::platform
