#pragma once
// A lock shared by name between the processes of the logon session, held
// for short spans (Win32: a mutex in the session namespace that
// low-integrity processes may open too; POSIX: flock on R/mutex/<name>).
// Taking it polls on the clock, so a holder that never lets go ends the
// wait at its time-out instead of never.
#include <cstdint>
#include <string>

#include "common/platform/Clock.h"

namespace vard::platform {

class SessionLock {
 public:
  SessionLock(std::u16string name, IClock& clock);
  ~SessionLock();
  SessionLock(const SessionLock&) = delete;
  SessionLock& operator=(const SessionLock&) = delete;

  // False when the lock cannot be made, or not had within `timeoutMs`.
  bool Acquire(uint32_t timeoutMs);
  void Release();

 private:
  bool TryAcquire();

  std::u16string name_;
  IClock& clock_;
  intptr_t handle_ = -1;  // HANDLE or descriptor, opened on first use
  bool held_ = false;
};

// Holds a SessionLock for one scope.
class SessionLockHold {
 public:
  SessionLockHold(SessionLock& lock, uint32_t timeoutMs) : lock_(lock), held_(lock.Acquire(timeoutMs)) {}
  ~SessionLockHold() {
    if (held_) lock_.Release();
  }
  SessionLockHold(const SessionLockHold&) = delete;
  SessionLockHold& operator=(const SessionLockHold&) = delete;
  bool Held() const { return held_; }

 private:
  SessionLock& lock_;
  bool held_;
};

}  // namespace vard::platform
