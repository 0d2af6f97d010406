#include "common/platform/FileSystem.h"

#include <windows.h>

#include <utility>

#include "common/platform/win32/Wide.h"

namespace vard::platform {

using win32::W;

uint32_t LastError() { return ::GetLastError(); }
void SetLastErrorCode(uint32_t code) { ::SetLastError(code); }

struct File::Impl {
  HANDLE handle;
};

File File::Open(const std::u16string& path, uint32_t desiredAccess, uint32_t shareMode,
                Disposition disposition, uint32_t attributes) {
  HANDLE h = ::CreateFileW(W(path), desiredAccess, shareMode, nullptr, static_cast<DWORD>(disposition),
                           attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) return File();
  return File(new Impl{h});
}

bool File::IsOpen() const { return impl_ != nullptr; }

bool File::Read(void* buffer, uint32_t size, uint32_t* bytesRead) {
  DWORD n = 0;
  if (bytesRead) *bytesRead = 0;
  if (!impl_) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  const BOOL ok = ::ReadFile(impl_->handle, buffer, size, &n, nullptr);
  if (bytesRead) *bytesRead = n;
  return ok;
}

bool File::Write(const void* buffer, uint32_t size, uint32_t* bytesWritten) {
  DWORD n = 0;
  if (bytesWritten) *bytesWritten = 0;
  if (!impl_) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  const BOOL ok = ::WriteFile(impl_->handle, buffer, size, &n, nullptr);
  if (bytesWritten) *bytesWritten = n;
  return ok;
}

bool File::Seek(int64_t distance, SeekFrom from, int64_t* newPosition) {
  if (!impl_) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  LARGE_INTEGER d, r;
  d.QuadPart = distance;
  if (!::SetFilePointerEx(impl_->handle, d, &r, static_cast<DWORD>(from))) return false;
  if (newPosition) *newPosition = r.QuadPart;
  return true;
}

namespace {
bool InvalidHandle() {
  ::SetLastError(ERROR_INVALID_HANDLE);
  return false;
}
}  // namespace

int64_t File::Size() const {
  LARGE_INTEGER s;
  if (!impl_) {
    InvalidHandle();
    return -1;
  }
  if (!::GetFileSizeEx(impl_->handle, &s)) return -1;
  return s.QuadPart;
}

bool File::SetEndOfFile() { return impl_ ? ::SetEndOfFile(impl_->handle) != 0 : InvalidHandle(); }
bool File::Flush() { return impl_ ? ::FlushFileBuffers(impl_->handle) != 0 : InvalidHandle(); }

bool File::Close() {
  if (!impl_) return InvalidHandle();
  const BOOL closed = ::CloseHandle(impl_->handle);
  delete impl_;
  impl_ = nullptr;
  return closed;
}

uint32_t FileAttributes(const std::u16string& path) { return ::GetFileAttributesW(W(path)); }
bool SetAttributes(const std::u16string& path, uint32_t attributes) {
  return ::SetFileAttributesW(W(path), attributes);
}
bool PathExists(const std::u16string& path) { return FileAttributes(path) != INVALID_FILE_ATTRIBUTES; }
bool IsLink(const std::u16string& path) {
  const DWORD a = ::GetFileAttributesW(W(path));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}
bool MakeFolderLink(const std::u16string& target, const std::u16string& link) {
  constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  const bool made = ::CreateSymbolicLinkW(W(link), W(target), SYMBOLIC_LINK_FLAG_DIRECTORY | kUnprivileged) ||
                    ::CreateSymbolicLinkW(W(link), W(target), SYMBOLIC_LINK_FLAG_DIRECTORY);
  if (!made) return false;
  // Some systems (Wine) answer success and make nothing.
  if (IsLink(link)) return true;
  ::SetLastError(ERROR_NOT_SUPPORTED);
  return false;
}
bool IsDirectory(const std::u16string& path) {
  const DWORD a = ::GetFileAttributesW(W(path));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
bool MakeDirectory(const std::u16string& path) { return ::CreateDirectoryW(W(path), nullptr); }
bool RemoveFolder(const std::u16string& path) { return ::RemoveDirectoryW(W(path)); }
bool RemoveFile(const std::u16string& path) { return ::DeleteFileW(W(path)); }
bool RenameFile(const std::u16string& from, const std::u16string& to) { return ::MoveFileW(W(from), W(to)); }

int64_t FileSizeOf(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!::GetFileAttributesExW(W(path), GetFileExInfoStandard, &d)) return -1;
  return (static_cast<int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

int64_t FileWriteTime(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!::GetFileAttributesExW(W(path), GetFileExInfoStandard, &d)) return -1;
  // 100-nanosecond steps since 1601-01-01.
  constexpr int64_t kTicksTo1970 = 116444736000000000;
  const int64_t ticks =
      static_cast<int64_t>((static_cast<uint64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) | d.ftLastWriteTime.dwLowDateTime);
  return ticks < kTicksTo1970 ? 0 : (ticks - kTicksTo1970) / 10000000;
}

bool ListFolder(const std::u16string& folder, std::vector<std::u16string>* names) {
  names->clear();
  WIN32_FIND_DATAW fd;
  std::u16string pattern = folder;
  if (!pattern.empty() && pattern.back() != u'\\' && pattern.back() != u'/') pattern += u'\\';
  pattern += u'*';
  HANDLE h = ::FindFirstFileW(W(pattern), &fd);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;  // a root without entries
  do {
    const std::u16string n = win32::U(fd.cFileName);
    if (n != u"." && n != u"..") names->push_back(n);
  } while (::FindNextFileW(h, &fd));
  const DWORD end = ::GetLastError();
  ::FindClose(h);
  if (end == ERROR_NO_MORE_FILES) return true;
  ::SetLastError(end);
  return false;
}

std::vector<std::u16string> ListDirectory(const std::u16string& folder) {
  std::vector<std::u16string> names;
  ListFolder(folder, &names);
  return names;
}

bool FindFile(const std::u16string& path, FileEntry* entry) {
  if (HasWildcard(path)) {
    ::SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  WIN32_FIND_DATAW fd;
  HANDLE h = ::FindFirstFileW(W(path), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  ::FindClose(h);
  entry->name = win32::U(fd.cFileName);
  entry->attributes = fd.dwFileAttributes;
  entry->size = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    ? 0
                    : (static_cast<int64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
  return true;
}

}  // namespace vard::platform
