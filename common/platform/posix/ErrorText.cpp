#include "common/platform/ErrorText.h"

#include "common/platform/FileSystem.h"
#include "common/text/Utf.h"

namespace vard::platform {

std::u16string SystemErrorText(uint32_t code) {
  switch (code) {
    case error::kFileNotFound: return u"The system cannot find the file specified.";
    case error::kPathNotFound: return u"The system cannot find the path specified.";
    case error::kAccessDenied: return u"Access is denied.";
    case error::kSharingViolation: return u"The file is in use by another process.";
    case error::kDiskFull: return u"There is not enough space on the disk.";
    case error::kInvalidName: return u"The file name, folder name or volume label syntax is incorrect.";
    case error::kModuleNotFound: return u"The specified module could not be found.";
    default: return u"Error " + AsciiToUtf16(std::to_string(code)) + u".";
  }
}

}  // namespace vard::platform
