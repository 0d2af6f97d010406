#pragma once
// Folders the system knows by role. Paths are in Windows syntax on every
// target (see FileSystem.h).
#include <string>

namespace vard::platform {

// The user's documents folder, without a trailing separator.
std::u16string DocumentsFolder();
// The temporary folder, with a trailing "\" as GetTempPath gives it.
std::u16string TempFolder();
// The system directory, without a trailing separator.
std::u16string SystemDirectory();
// Full path of the running program.
std::u16string ModulePath();

}  // namespace vard::platform
