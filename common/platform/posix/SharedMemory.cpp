#include "common/platform/SharedMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "common/text/Utf.h"

namespace vard::platform {
namespace {

std::string ShmName(const std::u16string& name) {
  return "/" + Utf16ToUtf8(name) + "." + std::to_string(getuid());
}

}  // namespace

SharedMemory SharedMemory::CreateOrOpen(const std::u16string& name, size_t size) {
  SharedMemory result;
  if (size == 0 || name.find(u'/') != std::u16string::npos) return result;
  const std::string os = ShmName(name);
  bool created = true;
  int fd = shm_open(os.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0 && errno == EEXIST) {
    created = false;
    fd = shm_open(os.c_str(), O_RDWR | O_CLOEXEC, 0600);
  }
  if (fd < 0) return result;
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && st.st_uid == geteuid();
  // Only the creator sizes the object; an existing one too small for the
  // region fails, as an explicit view size does on Windows.
  if (ok && created) ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
  if (ok && !created) ok = static_cast<uint64_t>(st.st_size) >= size;
  if (!ok) {
    if (created) shm_unlink(os.c_str());
    close(fd);
    return result;
  }
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) {
    close(fd);
    return result;
  }
  result.data_ = static_cast<uint8_t*>(p);
  result.size_ = size;
  result.handle_ = fd;
  return result;
}

void SharedMemory::ZeroFill() {
  if (!data_) return;
#ifdef FALLOC_FL_PUNCH_HOLE
  if (fallocate(static_cast<int>(handle_), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 0,
                static_cast<off_t>(size_)) == 0)
    return;
#endif
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
