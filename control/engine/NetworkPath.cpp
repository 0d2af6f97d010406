#include "control/engine/NetworkPath.h"

namespace vard {

std::u16string ThroughMappedDrive(const std::u16string& path, const DriveLookup& lookup) {
  const size_t slash = path.find(u'\\');
  if (slash == std::u16string::npos || slash == 0 || !lookup) return path;
  const auto remote = lookup(path.substr(0, slash));
  if (!remote || remote->empty()) return path;
  return *remote + path.substr(slash);
}

}  // namespace vard
