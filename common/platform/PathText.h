#pragma once
// Windows-syntax paths taken apart as text: "\" and "/" both separate.
// Nothing here touches the disk. Views point into the caller's text.
#include <string>
#include <string_view>

namespace vard::platform {

// Whether a ":" at index 1 ends a drive ("C:name"), as the C library's path
// splitter reads it. No other ":" separates anything.
enum class DriveColon { kPartOfName, kEndsDrive };

struct PathParts {
  std::u16string_view folder;  // drive and folders, trailing separator kept
  std::u16string_view name;    // the last component: base + ext
  std::u16string_view base;    // the name up to its last "."
  std::u16string_view ext;     // from that "." on, dot included; empty when none
};
PathParts SplitPath(std::u16string_view path, DriveColon colon = DriveColon::kPartOfName);

// The last component (the whole text when there is no separator).
std::u16string LastPathComponent(std::u16string_view path);

// Whether the text holds a character the Windows file search takes as a
// pattern ("*", "?" and the DOS forms "<", ">", '"'); no file name has one.
bool HasWildcard(std::u16string_view path);

// `path` names something below `folder` (trailing "\" of the folder
// ignored), compared as written: "C:\d" holds "C:\d\a", not "C:\dx" or
// "C:\d" itself.
bool IsBelowFolder(std::u16string_view folder, std::u16string_view path);

// Folder of a path (up to, not including, its last "\" or "/").
std::u16string ParentPath(std::u16string_view path);

}  // namespace vard::platform
