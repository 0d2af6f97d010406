#include "common/platform/FolderChain.h"

#include "common/platform/FileSystem.h"

namespace vard::platform {

bool MakeFolderChain(const std::u16string& path, IFileSystem& files) {
  const size_t first = path.find(u'\\');
  if (first == std::u16string::npos) return true;
  bool ok = true;
  for (size_t i = path.find(u'\\', first + 1); i != std::u16string::npos; i = path.find(u'\\', i + 1)) {
    if (!files.MakeDirectory(path.substr(0, i)) && LastError() != error::kAlreadyExists) ok = false;
  }
  return ok;
}

}  // namespace vard::platform
