#pragma once
// POSIX backends only: Windows-syntax UTF-16 paths <-> OS paths in UTF-8.
#include <string>

namespace vard::platform::posix {

std::string ToOsPath(const std::u16string& path);
std::u16string FromOsPath(const std::string& path);
// errno -> Win32 error number
uint32_t ErrorFromErrno(int err);

}  // namespace vard::platform::posix
