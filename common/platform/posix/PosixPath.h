#pragma once
// POSIX backends only: Windows-syntax UTF-16 paths <-> OS paths in UTF-8.
#include <cstdint>
#include <string>

namespace vard::platform::posix {

std::string ToOsPath(const std::u16string& path);
std::u16string FromOsPath(const std::string& path);
// errno -> Win32 error number
uint32_t ErrorFromErrno(int err);
// Sets the thread's last error to `code` and returns false.
bool Fail(uint32_t code);

// R/<sub> of the per-user runtime folder R ($XDG_RUNTIME_DIR/vardel, else
// /tmp/vardel-<uid>), both created 0700 and checked to be ours. Empty on
// failure (errno set).
std::string RuntimeSubfolder(const char* sub);
// The last "\"-separated component of a Win32 object name, made safe for a
// file name ("Global\" and "Local\" dropped, other "\" become "_").
std::string ObjectFileName(const std::u16string& name);

}  // namespace vard::platform::posix
