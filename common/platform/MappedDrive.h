#pragma once
// Network drives: the remote name a drive is mapped to, so that a path on
// it can be written by its remote name ("Z:" -> "\\server\share"). POSIX
// has no drive letters: nothing is ever mapped there.
#include <optional>
#include <string>

namespace vard::platform {

// The remote name of `drive` (such as "Z:"), or nothing when it is not a
// connected network drive.
std::optional<std::u16string> MappedDriveTarget(const std::u16string& drive);

}  // namespace vard::platform
