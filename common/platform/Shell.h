#pragma once
// What the desktop shell does for the programs: the icon a name shows in the
// system image list, opening a file or folder with its program, and news of
// a new file or folder for open folder windows. Win32: SHGetFileInfoW,
// ShellExecuteW and SHChangeNotify; POSIX: a fixed icon table by extension
// and folder flag, xdg-open, and no news (file managers watch for themselves).
#include <cstdint>
#include <string>

namespace vard::platform {

// System image-list index of the icon for `name`, looked up by name only
// (`attributes` as FileSystem.h's attribute::kNormal / kDirectory).
int ShellIconIndex(const std::u16string& name, uint32_t attributes);

// Opens `path` with the "open" verb in a normal window. False with
// LastError when the shell could not start anything.
bool ShellOpen(const std::u16string& path);

// Tells open folder windows that `path` (a file or a folder) was created.
void ShellNotifyCreated(const std::u16string& path);

}  // namespace vard::platform
