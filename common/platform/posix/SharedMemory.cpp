#include "common/platform/SharedMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "common/platform/FileSystem.h"
#include "common/platform/posix/PosixPath.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

// A region this large (the upload form fields: 253 MB) is mostly never
// written: its pages are made only when touched, and zeroing gives them
// back instead of writing 253 MB of zeros. Smaller ones are mapped whole,
// so a big batch does not fault page by page.
constexpr size_t kLazyRegionBytes = 16u << 20;

std::string ShmName(const std::u16string& name) {
  return "/" + Utf16ToUtf8(name) + "." + std::to_string(getuid());
}

}  // namespace

SharedMemory SharedMemory::CreateOrOpen(const std::u16string& name, size_t size, IClock& clock) {
  SharedMemory result;
  if (size == 0 || name.find(u'/') != std::u16string::npos) {
    posix::Fail(error::kInvalidParameter);
    return result;
  }
  const std::string os = ShmName(name);
  bool created = true;
  int fd = shm_open(os.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0 && errno == EEXIST) {
    created = false;
    fd = shm_open(os.c_str(), O_RDWR | O_CLOEXEC, 0600);
  }
  if (fd < 0) {
    posix::Fail(posix::ErrorFromErrno(errno));
    return result;
  }
  auto fail = [&](uint32_t code) {
    if (created) shm_unlink(os.c_str());
    close(fd);
    posix::Fail(code);
    return std::move(result);
  };
  struct stat st {};
  if (fstat(fd, &st) != 0) return fail(posix::ErrorFromErrno(errno));
  if (st.st_uid != geteuid()) return fail(error::kAccessDenied);
  if (created) {
    // Only the creator sizes the object.
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) return fail(posix::ErrorFromErrno(errno));
  } else if (static_cast<uint64_t>(st.st_size) < size) {
    // Its creator, in another process, sizes it right after making it;
    // an empty object may be caught in between. One of another size stays
    // too small: it fails, as an explicit view size does on Windows (a
    // short mapping would fault on the first read past its end).
    if (st.st_size == 0)
      clock.WaitUntil([&] { return fstat(fd, &st) != 0 || st.st_size != 0; }, kSizingWaitMs, 1);
    if (static_cast<uint64_t>(st.st_size) < size) return fail(error::kInvalidParameter);
  }
  const int populate = size < kLazyRegionBytes ? MAP_POPULATE : 0;
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | populate, fd, 0);
  if (p == MAP_FAILED) return fail(posix::ErrorFromErrno(errno));
  result.data_ = static_cast<uint8_t*>(p);
  result.size_ = size;
  result.handle_ = fd;
  return result;
}

void SharedMemory::ZeroFill() {
  if (!data_) return;
  // Every mapping of the object reads zeros from a hole at once.
  if (size_ >= kLazyRegionBytes &&
      fallocate(static_cast<int>(handle_), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 0,
                static_cast<off_t>(size_)) == 0)
    return;
  std::memset(data_, 0, size_);
}

void SharedMemory::Close() {
  if (data_) munmap(data_, size_);
  if (handle_ >= 0) close(static_cast<int>(handle_));
  data_ = nullptr;
  size_ = 0;
  handle_ = -1;
}

void RemoveSharedMemoryName(const std::u16string& name) { shm_unlink(ShmName(name).c_str()); }

}  // namespace vard::platform
