#pragma once
// Whether a name given by a page or a hand-off stays inside the folder it is
// appended to. Refused: ".." segments, absolute paths ("\x", "/x"), drive
// letters ("C:..."), UNC and device paths ("\\server", "\\?\"), the
// reserved device names (CON, NUL, COM1 ... with or without an extension),
// which would open a device instead of a file, and any ":", which Windows
// reads as a stream of the file before it ("a.exe:Zone.Identifier").
// For a page the control does not trust, also any file or folder whose name
// begins with ".": desktops hide them and read them as settings
// (".config/autostart", ".bashrc").
#include <cstddef>
#include <string>
#include <string_view>

namespace vard::transfer {

enum class NameSource { kTrusted, kUntrustedPage };

bool StaysInsideFolder(std::u16string_view relativeName, NameSource source = NameSource::kTrusted);

// The longest paths the Windows file functions take without a long-path
// prefix: a file's is MAX_PATH less its terminator, a folder's 12 units
// less (room for a short name). A longer path fails part way down, after
// its first folders were made, so it is refused before anything is made.
inline constexpr size_t kMaxFilePath = 259;
inline constexpr size_t kMaxFolderPath = 247;

// `relativeName` stays inside `folder` (as StaysInsideFolder says), and
// folder + "\" + name, with each folder on the way, fits those lengths.
// A name ending in a separator is a folder.
bool FitsInsideFolder(std::u16string_view folder, std::u16string_view relativeName,
                      NameSource source = NameSource::kTrusted);

// A full path names a stream: a ":" anywhere but after the drive letter
// ("C:\a", "\\?\C:\a").
bool NamesStream(std::u16string_view fullPath);

// `name` with every bidirectional override and isolate character
// (U+202A-U+202E, U+2066-U+2069) as "_": such a name shows as something it
// is not ("\u202Egnp.exe" reads "exe.png").
std::u16string WithoutBidiControls(std::u16string_view name);

}  // namespace vard::transfer
