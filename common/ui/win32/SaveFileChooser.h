#pragma once
// The save-file dialog of the control's save steps (open-or-save, the
// existing-file question's Save As): it starts with the given name, offers
// the file's own type and then every file, asks before overwriting, and
// hides the read-only box.
#include <windows.h>

#include <optional>
#include <string>

namespace vard::com {

// The chosen path, or nothing when the dialog was cancelled.
std::optional<std::u16string> ChooseSaveFile(HWND owner, const std::u16string& given);

// The shell's name of the file type of `name` (for example "Text Document").
std::u16string FileTypeName(const std::u16string& name);

}  // namespace vard::com
