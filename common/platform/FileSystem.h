#pragma once
// Files and folders. Paths are UTF-16 in Windows syntax on every target; the
// POSIX backend maps "\" to "/" on the way to the OS and back, so the POSIX
// path /home/u/x is \home\u\x here. Failures leave a Win32 error number in
// LastError() on both targets.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/platform/PathText.h"  // ParentPath, for the users of this header

namespace vard::platform {

// Win32 error numbers used as the common language of failures.
namespace error {
constexpr uint32_t kSuccess = 0;
constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kPathNotFound = 3;
constexpr uint32_t kTooManyOpenFiles = 4;
constexpr uint32_t kAccessDenied = 5;
constexpr uint32_t kInvalidHandle = 6;
constexpr uint32_t kNotEnoughMemory = 8;
constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kHandleEof = 38;
constexpr uint32_t kFileExists = 80;
constexpr uint32_t kInvalidParameter = 87;
constexpr uint32_t kDiskFull = 112;
constexpr uint32_t kInvalidName = 123;
constexpr uint32_t kModuleNotFound = 126;
constexpr uint32_t kDirNotEmpty = 145;
constexpr uint32_t kAlreadyExists = 183;
constexpr uint32_t kNegativeSeek = 131;
constexpr uint32_t kBrokenPipe = 109;
constexpr uint32_t kPipeBusy = 231;
constexpr uint32_t kNoData = 232;
constexpr uint32_t kPipeNotConnected = 233;
constexpr uint32_t kMoreData = 234;
constexpr uint32_t kPipeConnected = 535;
}  // namespace error

uint32_t LastError();
void SetLastErrorCode(uint32_t code);

// The same numbers as CreateFileW's.
enum class Disposition : uint32_t {
  kCreateNew = 1,
  kCreateAlways = 2,
  kOpenExisting = 3,
  kOpenAlways = 4,
  kTruncateExisting = 5,
};
namespace access {
constexpr uint32_t kRead = 0x80000000u;
constexpr uint32_t kWrite = 0x40000000u;
}  // namespace access
namespace share {
constexpr uint32_t kRead = 1;
constexpr uint32_t kWrite = 2;
constexpr uint32_t kDelete = 4;
}  // namespace share
namespace attribute {
constexpr uint32_t kReadOnly = 0x1;
constexpr uint32_t kHidden = 0x2;
constexpr uint32_t kDirectory = 0x10;
constexpr uint32_t kNormal = 0x80;
constexpr uint32_t kInvalid = 0xFFFFFFFFu;
}  // namespace attribute
enum class SeekFrom : uint32_t { kBegin = 0, kCurrent = 1, kEnd = 2 };

// An open file. Owns its handle; moves, never copies.
class File {
 public:
  File() = default;
  ~File() {
    if (IsOpen()) Close();
  }
  File(File&& other) noexcept : impl_(std::exchange(other.impl_, nullptr)) {}
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      if (IsOpen()) Close();
      impl_ = std::exchange(other.impl_, nullptr);
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens like CreateFileW (sharing rules included). On failure the result
  // is not open and LastError() tells why.
  static File Open(const std::u16string& path, uint32_t desiredAccess, uint32_t shareMode,
                   Disposition disposition, uint32_t attributes = attribute::kNormal);

  bool IsOpen() const;
  bool Read(void* buffer, uint32_t size, uint32_t* bytesRead);
  bool Write(const void* buffer, uint32_t size, uint32_t* bytesWritten);
  bool Seek(int64_t distance, SeekFrom from, int64_t* newPosition = nullptr);
  int64_t Size() const;  // -1 on failure
  bool SetEndOfFile();
  bool Flush();
  // Lets go of the handle even when the OS reports a failure; a file that is
  // not open fails with kInvalidHandle.
  bool Close();

 private:
  struct Impl;
  explicit File(Impl* impl) : impl_(impl) {}
  Impl* impl_ = nullptr;
};

uint32_t FileAttributes(const std::u16string& path);  // attribute::kInvalid on failure
bool SetAttributes(const std::u16string& path, uint32_t attributes);
bool PathExists(const std::u16string& path);
// The path itself is a link (POSIX symbolic link; Win32 reparse point:
// symbolic link, junction, mount point), not followed.
bool IsLink(const std::u16string& path);
// Makes `link` a symbolic link to the folder `target` (Win32 needs the
// privilege or developer mode for it).
bool MakeFolderLink(const std::u16string& target, const std::u16string& link);
bool IsDirectory(const std::u16string& path);
// Fails with kAlreadyExists when the directory exists, kPathNotFound when the
// parent is missing.
bool MakeDirectory(const std::u16string& path);
bool RemoveFolder(const std::u16string& path);
bool RemoveFile(const std::u16string& path);
bool RenameFile(const std::u16string& from, const std::u16string& to);  // replaces nothing
int64_t FileSizeOf(const std::u16string& path);  // -1 when it cannot be read
// When the file was last written, in seconds since 1970-01-01 UTC; -1 when
// it cannot be read.
int64_t FileWriteTime(const std::u16string& path);

// Names (not paths) of the entries of a folder, without "." and "..".
// ListFolder tells a failure (the folder is missing or no folder) from an
// empty folder; ListDirectory answers both with no names.
bool ListFolder(const std::u16string& folder, std::vector<std::u16string>* names);
std::vector<std::u16string> ListDirectory(const std::u16string& folder);

// What a folder search reports of one entry.
struct FileEntry {
  std::u16string name;  // as stored, without its folder
  uint32_t attributes = attribute::kInvalid;
  int64_t size = 0;  // 0 for folders
};
// The entry `path` names, as FindFirstFileW finds it. Wildcards are refused
// with kInvalidName: a path names one entry here, never a pattern.
bool FindFile(const std::u16string& path, FileEntry* entry);

}  // namespace vard::platform
