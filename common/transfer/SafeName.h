#pragma once
// Whether a name given by a page or a hand-off stays inside the folder it is
// appended to. Refused: ".." segments, absolute paths ("\x", "/x"), drive
// letters ("C:..."), UNC and device paths ("\\server", "\\?\"), and the
// reserved device names (CON, NUL, COM1 ... with or without an extension),
// which would open a device instead of a file.
#include <cstddef>
#include <string_view>

namespace vard::transfer {

bool StaysInsideFolder(std::u16string_view relativeName);

// The longest paths the Windows file functions take without a long-path
// prefix: a file's is MAX_PATH less its terminator, a folder's 12 units
// less (room for a short name). A longer path fails part way down, after
// its first folders were made, so it is refused before anything is made.
inline constexpr size_t kMaxFilePath = 259;
inline constexpr size_t kMaxFolderPath = 247;

// `relativeName` stays inside `folder` (as StaysInsideFolder says), and
// folder + "\" + name, with each folder on the way, fits those lengths.
// A name ending in a separator is a folder.
bool FitsInsideFolder(std::u16string_view folder, std::u16string_view relativeName);

}  // namespace vard::transfer
