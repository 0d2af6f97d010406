#include "common/platform/SessionLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "common/platform/posix/PosixPath.h"

namespace vard::platform {

SessionLock::SessionLock(std::u16string name, IClock& clock) : name_(std::move(name)), clock_(clock) {}

SessionLock::~SessionLock() {
  Release();
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool SessionLock::TryAcquire() {
  if (handle_ < 0) {
    const std::string folder = posix::RuntimeSubfolder("mutex");
    if (folder.empty()) return false;
    handle_ = ::open((folder + "/" + posix::ObjectFileName(name_)).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (handle_ < 0) return false;
  }
  return ::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0;
}

bool SessionLock::Acquire(uint32_t timeoutMs) {
  if (held_) return true;
  held_ = TryAcquire() || (handle_ >= 0 && clock_.WaitUntil([this] { return TryAcquire(); }, timeoutMs, 1));
  return held_;
}

void SessionLock::Release() {
  if (!held_) return;
  ::flock(static_cast<int>(handle_), LOCK_UN);
  held_ = false;
}

}  // namespace vard::platform
