#include "common/platform/MappedDrive.h"

namespace vard::platform {

std::optional<std::u16string> MappedDriveTarget(const std::u16string&) { return std::nullopt; }

}  // namespace vard::platform
