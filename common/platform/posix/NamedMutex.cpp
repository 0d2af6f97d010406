#include "common/platform/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "common/platform/FileSystem.h"
#include "common/platform/posix/PosixPath.h"

namespace vard::platform {

NamedMutex NamedMutex::Create(const std::u16string& name, bool* alreadyExisted, IClock& clock) {
  if (alreadyExisted) *alreadyExisted = false;
  const std::string folder = posix::RuntimeSubfolder("mutex");
  if (folder.empty()) {
    SetLastErrorCode(posix::ErrorFromErrno(errno));
    return {};
  }
  const std::string path = folder + "/" + posix::ObjectFileName(name);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    SetLastErrorCode(posix::ErrorFromErrno(errno));
    return {};
  }
  // flock belongs to this open file description, so a second Create in the
  // same process sees the lock as held too, like a second CreateMutexW.
  // Exists() probes hold a shared lock for an instant, and a probe can be
  // descheduled inside that instant: the lock is held by another only while
  // a shared lock cannot be had either.
  constexpr uint32_t kProbeWaitMs = 2000;
  const uint32_t start = clock.TickCount();
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
    const bool probed = errno == EWOULDBLOCK && ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    if (!probed || clock.TickCount() - start >= kProbeWaitMs) {
      const int err = errno;
      if (probed) ::flock(fd, LOCK_UN);
      if (!probed && err != EWOULDBLOCK) {
        SetLastErrorCode(posix::ErrorFromErrno(err));
        ::close(fd);
        return {};
      }
      if (alreadyExisted) *alreadyExisted = true;
      SetLastErrorCode(error::kAlreadyExists);
      return NamedMutex(fd, false);
    }
    ::flock(fd, LOCK_UN);
    clock.Sleep(1);
  }
  SetLastErrorCode(error::kSuccess);
  return NamedMutex(fd, true);
}

bool NamedMutex::Exists(const std::u16string& name) {
  const std::string folder = posix::RuntimeSubfolder("mutex");
  if (folder.empty()) return false;
  const int fd = ::open((folder + "/" + posix::ObjectFileName(name)).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

void NamedMutex::Close() {
  if (handle_ == kInvalid) return;
  // The file stays: removing it would race with a new holder's open.
  if (owned_) ::flock(static_cast<int>(handle_), LOCK_UN);
  ::close(static_cast<int>(handle_));
  handle_ = kInvalid;
  owned_ = false;
}

}  // namespace vard::platform
