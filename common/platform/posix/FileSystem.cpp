// POSIX files with the observable rules of CreateFileW: dispositions, the
// Win32 error numbers, and the sharing modes of handles inside this process.
#include "common/platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "common/platform/posix/PosixPath.h"

namespace vard::platform {
namespace {

thread_local uint32_t t_lastError = 0;

using posix::Fail;
bool FailErrno() { return Fail(posix::ErrorFromErrno(errno)); }

struct OpenEntry {
  uint32_t access;
  uint32_t share;
};

// Sharing state of every file this process holds open, keyed by identity.
class ShareTable {
 public:
  // A handle that neither reads nor writes (attributes only) neither asks
  // for sharing nor grants it.
  static bool TakesPart(const OpenEntry& e) { return e.access & (access::kRead | access::kWrite); }
  using Key = std::pair<dev_t, ino_t>;
  bool TryAdd(Key key, const OpenEntry* e) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& list = opens_[key];
    for (const OpenEntry* other : list) {
      if (!TakesPart(*e) || !TakesPart(*other)) continue;
      if ((e->access & access::kRead) && !(other->share & share::kRead)) return false;
      if ((e->access & access::kWrite) && !(other->share & share::kWrite)) return false;
      if ((other->access & access::kRead) && !(e->share & share::kRead)) return false;
      if ((other->access & access::kWrite) && !(e->share & share::kWrite)) return false;
    }
    list.push_back(e);
    return true;
  }
  void Remove(Key key, const OpenEntry* e) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = opens_.find(key);
    if (it == opens_.end()) return;
    std::erase(it->second, e);
    if (it->second.empty()) opens_.erase(it);
  }

 private:
  std::mutex mutex_;
  std::map<Key, std::vector<const OpenEntry*>> opens_;
};

ShareTable& Shares() {
  static ShareTable table;
  return table;
}

bool ParentExists(const std::string& os) {
  const auto slash = os.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  struct stat st{};
  return ::stat(os.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string LastOsComponent(const std::string& os) {
  const auto slash = os.rfind('/');
  return slash == std::string::npos ? os : os.substr(slash + 1);
}

// stat() of a path, failing as the Win32 calls do: a missing parent folder
// is kPathNotFound, a missing last component kFileNotFound.
bool StatPath(const std::string& os, struct stat* st) {
  if (::stat(os.c_str(), st) == 0) return true;
  const int err = errno;
  if (err == ENOENT && !ParentExists(os)) return Fail(error::kPathNotFound);
  return Fail(posix::ErrorFromErrno(err));
}

// Win32 attributes of what `st` describes; dot names are hidden.
uint32_t AttributesOf(const struct stat& st, const std::string& name) {
  uint32_t a = S_ISDIR(st.st_mode) ? attribute::kDirectory : 0;
  if (!(st.st_mode & S_IWUSR)) a |= attribute::kReadOnly;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") a |= attribute::kHidden;
  return a ? a : attribute::kNormal;
}

}  // namespace

uint32_t LastError() { return t_lastError; }
void SetLastErrorCode(uint32_t code) { t_lastError = code; }

struct File::Impl {
  int fd = -1;
  ShareTable::Key key{};
  OpenEntry entry{};
};

File File::Open(const std::u16string& path, uint32_t desiredAccess, uint32_t shareMode,
                Disposition disposition, uint32_t attributes) {
  (void)attributes;
  const std::string os = posix::ToOsPath(path);
  if (os.empty()) {
    Fail(error::kPathNotFound);
    return File();
  }
  int flags = O_CLOEXEC;
  const bool rd = desiredAccess & access::kRead, wr = desiredAccess & access::kWrite;
  flags |= (rd && wr) ? O_RDWR : wr ? O_WRONLY : O_RDONLY;
  struct stat before{};
  const bool existed = ::stat(os.c_str(), &before) == 0;
  switch (disposition) {
    case Disposition::kCreateNew:
      if (existed) {
        Fail(error::kFileExists);
        return File();
      }
      flags |= O_CREAT | O_EXCL;
      break;
    case Disposition::kCreateAlways:
    case Disposition::kOpenAlways: flags |= O_CREAT; break;
    case Disposition::kOpenExisting:
    case Disposition::kTruncateExisting:
      if (!existed) {
        Fail(ParentExists(os) ? error::kFileNotFound : error::kPathNotFound);
        return File();
      }
      break;
    default: Fail(error::kInvalidParameter); return File();
  }
  if (existed && S_ISDIR(before.st_mode)) {
    Fail(error::kAccessDenied);
    return File();
  }
  const int fd = ::open(os.c_str(), flags, 0644);
  if (fd < 0) {
    if (errno == ENOENT && !ParentExists(os)) Fail(error::kPathNotFound);
    else if (errno == EEXIST) Fail(error::kFileExists);
    else FailErrno();
    return File();
  }
  struct stat st{};
  fstat(fd, &st);
  auto* impl = new Impl{fd, {st.st_dev, st.st_ino}, {desiredAccess, shareMode}};
  if (!Shares().TryAdd(impl->key, &impl->entry)) {
    ::close(fd);
    delete impl;
    Fail(error::kSharingViolation);
    return File();
  }
  const bool truncate = disposition == Disposition::kCreateAlways ||
                        disposition == Disposition::kTruncateExisting;
  if (truncate && existed && ::ftruncate(fd, 0) != 0) {
    FailErrno();
    File doomed(impl);
    return File();
  }
  const bool reportsExisting = disposition == Disposition::kCreateAlways ||
                               disposition == Disposition::kOpenAlways;
  t_lastError = (reportsExisting && existed) ? error::kAlreadyExists : error::kSuccess;
  return File(impl);
}

bool File::IsOpen() const { return impl_ != nullptr; }

bool File::Read(void* buffer, uint32_t size, uint32_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  if (!impl_) return Fail(error::kInvalidHandle);
  if (!(impl_->entry.access & access::kRead)) return Fail(error::kAccessDenied);
  uint32_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(impl_->fd, static_cast<char*>(buffer) + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailErrno();
    }
    if (n == 0) break;
    done += static_cast<uint32_t>(n);
  }
  if (bytesRead) *bytesRead = done;
  return true;
}

bool File::Write(const void* buffer, uint32_t size, uint32_t* bytesWritten) {
  if (bytesWritten) *bytesWritten = 0;
  if (!impl_) return Fail(error::kInvalidHandle);
  if (!(impl_->entry.access & access::kWrite)) return Fail(error::kAccessDenied);
  uint32_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(impl_->fd, static_cast<const char*>(buffer) + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (bytesWritten) *bytesWritten = done;
      return FailErrno();
    }
    done += static_cast<uint32_t>(n);
  }
  if (bytesWritten) *bytesWritten = done;
  return true;
}

bool File::Seek(int64_t distance, SeekFrom from, int64_t* newPosition) {
  if (!impl_) return Fail(error::kInvalidHandle);
  const int whence = from == SeekFrom::kBegin ? SEEK_SET : from == SeekFrom::kCurrent ? SEEK_CUR : SEEK_END;
  const off_t r = ::lseek(impl_->fd, static_cast<off_t>(distance), whence);
  if (r < 0) return Fail(errno == EINVAL ? error::kNegativeSeek : posix::ErrorFromErrno(errno));
  if (newPosition) *newPosition = r;
  return true;
}

int64_t File::Size() const {
  struct stat st{};
  if (!impl_) {
    Fail(error::kInvalidHandle);
    return -1;
  }
  if (fstat(impl_->fd, &st) != 0) {
    FailErrno();
    return -1;
  }
  return st.st_size;
}

int64_t FileWriteTime(const std::u16string& path) {
  struct stat st{};
  if (::stat(posix::ToOsPath(path).c_str(), &st) != 0) {
    FailErrno();
    return -1;
  }
  return std::max<int64_t>(0, st.st_mtime);
}

bool File::SetEndOfFile() {
  if (!impl_) return Fail(error::kInvalidHandle);
  const off_t pos = ::lseek(impl_->fd, 0, SEEK_CUR);
  if (pos < 0 || ::ftruncate(impl_->fd, pos) != 0) return FailErrno();
  return true;
}

bool File::Flush() {
  if (!impl_) return Fail(error::kInvalidHandle);
  return ::fsync(impl_->fd) == 0 || FailErrno();
}

bool File::Close() {
  if (!impl_) return Fail(error::kInvalidHandle);
  Shares().Remove(impl_->key, &impl_->entry);
  const bool closed = ::close(impl_->fd) == 0;  // the descriptor is gone either way
  const int err = errno;
  delete impl_;
  impl_ = nullptr;
  return closed || Fail(posix::ErrorFromErrno(err));
}

uint32_t FileAttributes(const std::u16string& path) {
  const std::string os = posix::ToOsPath(path);
  struct stat st{};
  if (!StatPath(os, &st)) return attribute::kInvalid;
  return AttributesOf(st, LastOsComponent(os));
}

bool MakeFolderLink(const std::u16string& target, const std::u16string& link) {
  return ::symlink(posix::ToOsPath(target).c_str(), posix::ToOsPath(link).c_str()) == 0;
}

bool IsLink(const std::u16string& path) {
  struct stat st{};
  return ::lstat(posix::ToOsPath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool FindFile(const std::u16string& path, FileEntry* entry) {
  if (HasWildcard(path)) return Fail(error::kInvalidName);
  const std::string os = posix::ToOsPath(path);
  if (os.empty()) return Fail(error::kPathNotFound);
  struct stat st{};
  if (!StatPath(os, &st)) return false;
  const std::string name = LastOsComponent(os);
  entry->name = posix::FromOsPath(name);
  entry->attributes = AttributesOf(st, name);
  entry->size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
  return true;
}

bool SetAttributes(const std::u16string& path, uint32_t attributes) {
  // Only read-only has a POSIX meaning; hidden is carried by the name.
  const std::string os = posix::ToOsPath(path);
  struct stat st{};
  if (::stat(os.c_str(), &st) != 0) return FailErrno();
  mode_t mode = st.st_mode & 07777;
  mode = (attributes & attribute::kReadOnly) ? (mode & ~0222) : (mode | S_IWUSR);
  return ::chmod(os.c_str(), mode) == 0 || FailErrno();
}

bool PathExists(const std::u16string& path) { return FileAttributes(path) != attribute::kInvalid; }

bool IsDirectory(const std::u16string& path) {
  const uint32_t a = FileAttributes(path);
  return a != attribute::kInvalid && (a & attribute::kDirectory);
}

bool MakeDirectory(const std::u16string& path) {
  const std::string os = posix::ToOsPath(path);
  if (::mkdir(os.c_str(), 0777) == 0) return true;
  if (errno == ENOENT) return Fail(error::kPathNotFound);
  return FailErrno();
}

bool RemoveFolder(const std::u16string& path) {
  return ::rmdir(posix::ToOsPath(path).c_str()) == 0 || FailErrno();
}

bool RemoveFile(const std::u16string& path) {
  const std::string os = posix::ToOsPath(path);
  struct stat st{};
  if (::lstat(os.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Fail(error::kAccessDenied);
  return ::unlink(os.c_str()) == 0 || FailErrno();
}

bool RenameFile(const std::u16string& from, const std::u16string& to) {
  const std::string a = posix::ToOsPath(from), b = posix::ToOsPath(to);
  struct stat st{};
  if (::lstat(b.c_str(), &st) == 0) return Fail(error::kAlreadyExists);
  return ::rename(a.c_str(), b.c_str()) == 0 || FailErrno();
}

int64_t FileSizeOf(const std::u16string& path) {
  struct stat st{};
  if (::stat(posix::ToOsPath(path).c_str(), &st) != 0) {
    FailErrno();
    return -1;
  }
  return st.st_size;
}

bool ListFolder(const std::u16string& folder, std::vector<std::u16string>* names) {
  names->clear();
  DIR* d = ::opendir(posix::ToOsPath(folder).c_str());
  // A search below a missing folder or below a file finds no path.
  if (!d) return Fail(errno == ENOENT || errno == ENOTDIR ? error::kPathNotFound : posix::ErrorFromErrno(errno));
  while (dirent* e = ::readdir(d)) {
    const std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    names->push_back(posix::FromOsPath(n));
  }
  ::closedir(d);
  return true;
}

std::vector<std::u16string> ListDirectory(const std::u16string& folder) {
  std::vector<std::u16string> names;
  ListFolder(folder, &names);
  return names;
}

}  // namespace vard::platform
