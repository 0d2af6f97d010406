#pragma once
// Folders the system knows by role. Paths are in Windows syntax on every
// target (see FileSystem.h).
#include <string>

namespace vard::platform {

// The user's documents folder, without a trailing separator.
std::u16string DocumentsFolder();
// The person's download folder, without a trailing separator: Win32
// FOLDERID_Downloads; POSIX XDG_DOWNLOAD_DIR (the environment, else
// user-dirs.dirs), else ~/Downloads. Empty when the system names none.
std::u16string DownloadsFolder();
// The temporary folder, with a trailing "\" as GetTempPath gives it.
std::u16string TempFolder();
// The system directory, without a trailing separator.
std::u16string SystemDirectory();
// Home of the files the control and the agent share (low-integrity local
// application data on 6 and later, else common application data), without a
// trailing separator; empty when there is none.
std::u16string DataFolder();
// Full path of the running program.
std::u16string ModulePath();

}  // namespace vard::platform
