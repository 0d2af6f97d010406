#pragma once
// The open-or-save question of a single download, made from the pack's
// template: the file's name, icon, type and size, and Open, Save or Open
// when saved. Saving asks for the place first; cancelling that keeps the
// question up.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "control/services/DownloadDialogs.h"

namespace vard::com {

// The answer, or nothing when the question was closed.
std::optional<OpenOrSaveAnswer> AskOpenOrSave(HWND owner, std::vector<uint8_t> dialogTemplate,
                                              const std::u16string& name, int64_t size);

}  // namespace vard::com
