#include "FileSystem.h"

namespace vard::platform {

std::u16string ParentPath(const std::u16string& path) {
  const auto pos = path.find_last_of(u"\\/");
  return pos == std::u16string::npos ? std::u16string() : path.substr(0, pos);
}

}  // namespace vard::platform
