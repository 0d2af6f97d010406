#include "common/platform/FolderChain.h"

#include "common/platform/FileSystem.h"
#include "common/platform/PathText.h"

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

bool LinkBelow(const std::u16string& folder, const std::u16string& path) {
  // Not below the folder at all: as far out as a link would lead.
  if (!IsBelowFolder(folder, path)) return true;
  std::u16string base = folder;
  while (!base.empty() && base.back() == u'\\') base.pop_back();
  for (size_t i = path.find(u'\\', base.size() + 1); i != std::u16string::npos; i = path.find(u'\\', i + 1))
    if (IsLink(path.substr(0, i))) return true;
  return path.back() != u'\\' && IsLink(path);
}

}  // namespace vard::platform
