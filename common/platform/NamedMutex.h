#pragma once
// Named mutexes used as existence markers between processes (single
// instance checks). Win32: CreateMutexW. POSIX: a lock file R/mutex/<name>
// held with flock; "already existed" means another holder has the lock.
#include <cstdint>
#include <string>
#include <utility>

#include "common/platform/Clock.h"

namespace vard::platform {

class NamedMutex {
 public:
  NamedMutex() = default;
  ~NamedMutex() { Close(); }
  NamedMutex(NamedMutex&& other) noexcept
      : handle_(std::exchange(other.handle_, kInvalid)), owned_(std::exchange(other.owned_, false)) {}
  NamedMutex& operator=(NamedMutex&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, kInvalid);
      owned_ = std::exchange(other.owned_, false);
    }
    return *this;
  }
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Creates the mutex with initial ownership, or opens it when it exists
  // (then *alreadyExisted is true and this object does not own it). An
  // invalid result means the call failed; LastError() tells why. `clock`
  // paces the POSIX retries past a probe's brief hold.
  static NamedMutex Create(const std::u16string& name, bool* alreadyExisted, IClock& clock = SystemClock());

  // Whether someone holds the mutex, without creating it: a probe that
  // created it could make a starting owner believe it is not the first.
  static bool Exists(const std::u16string& name);

  bool IsValid() const { return handle_ != kInvalid; }
  // Releases ownership (if held) and closes.
  void Close();

 private:
  static constexpr intptr_t kInvalid = -1;
  NamedMutex(intptr_t handle, bool owned) : handle_(handle), owned_(owned) {}
  intptr_t handle_ = kInvalid;
  bool owned_ = false;
};

}  // namespace vard::platform
