#pragma once
// Whether a name given by a page or a hand-off stays inside the folder it is
// appended to. Refused: ".." segments, absolute paths ("\x", "/x"), drive
// letters ("C:..."), UNC and device paths ("\\server", "\\?\"), and the
// reserved device names (CON, NUL, COM1 ... with or without an extension),
// which would open a device instead of a file.
#include <string_view>

namespace vard::transfer {

bool StaysInsideFolder(std::u16string_view relativeName);

}  // namespace vard::transfer
