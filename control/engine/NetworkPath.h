#pragma once
// A path on a mapped network drive written by its remote name: the part up
// to the first "\" is the drive ("Z:"), and the drive's remote name
// ("\\server\share") takes its place.
#include <functional>
#include <optional>
#include <string>

namespace vard {

// The remote name of a drive, nothing when it is not a network drive.
using DriveLookup = std::function<std::optional<std::u16string>(const std::u16string& drive)>;

std::u16string ThroughMappedDrive(const std::u16string& path, const DriveLookup& lookup);

}  // namespace vard
