#include "PosixPath.h"

#include <cerrno>
#include <cstdint>

#include "common/platform/FileSystem.h"
#include "common/text/Utf.h"

namespace vard::platform::posix {

std::string ToOsPath(const std::u16string& path) {
  std::string s = Utf16ToUtf8(path);
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

std::u16string FromOsPath(const std::string& path) {
  std::u16string s = Utf8ToUtf16(path);
  for (char16_t& c : s)
    if (c == u'/') c = u'\\';
  return s;
}

bool Fail(uint32_t code) {
  SetLastErrorCode(code);
  return false;
}

uint32_t ErrorFromErrno(int err) {
  switch (err) {
    case 0: return error::kSuccess;
    case ENOENT: return error::kFileNotFound;
    case ENOTDIR: return error::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return error::kAccessDenied;
    case EEXIST: return error::kAlreadyExists;
    case EMFILE:
    case ENFILE: return error::kTooManyOpenFiles;
    case ENOSPC: return error::kDiskFull;
    case ENOMEM: return error::kNotEnoughMemory;
    case ENOTEMPTY: return error::kDirNotEmpty;
    case EBADF: return error::kInvalidHandle;
    case EBUSY:
    case ETXTBSY: return error::kSharingViolation;
    default: return error::kInvalidParameter;
  }
}

}  // namespace vard::platform::posix
