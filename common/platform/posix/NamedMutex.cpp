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
  // Exists() probes hold a shared lock for an instant: try a few times
  // before calling the lock held.
  bool locked = false;
  for (int attempt = 0; attempt < 5 && !locked; ++attempt) {
    if (attempt) clock.Sleep(2);
    locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (!locked && errno != EWOULDBLOCK) break;
  }
  if (!locked) {
    if (errno != EWOULDBLOCK) {
      SetLastErrorCode(posix::ErrorFromErrno(errno));
      ::close(fd);
      return {};
    }
    if (alreadyExisted) *alreadyExisted = true;
    SetLastErrorCode(error::kAlreadyExists);
    return NamedMutex(fd, false);
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
