#pragma once
// The save-file dialog of the programs' save steps (the control's
// open-or-save and existing-file questions, the agent's existing-file
// question): it starts with the given name, offers the file's own type and
// then every file, asks before overwriting, and hides the read-only box.
// With the file's own type chosen, a name without its extension gets it.
#include <windows.h>

#include <optional>
#include <string>

namespace vard::ui {

// The chosen path, or nothing when the dialog was cancelled.
std::optional<std::u16string> ChooseSaveFile(HWND owner, const std::u16string& given);

// The shell's name of the file type of `name` (for example "Text Document").
std::u16string FileTypeName(const std::u16string& name);

}  // namespace vard::ui
