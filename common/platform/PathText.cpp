#include "common/platform/PathText.h"

namespace vard::platform {

PathParts SplitPath(std::u16string_view path, DriveColon colon) {
  const auto slash = path.find_last_of(u"\\/");
  size_t start = slash == std::u16string_view::npos ? 0 : slash + 1;
  if (colon == DriveColon::kEndsDrive && start < 2 && path.size() >= 2 && path[1] == u':') start = 2;
  PathParts parts;
  parts.folder = path.substr(0, start);
  parts.name = path.substr(start);
  const auto dot = parts.name.rfind(u'.');
  parts.base = parts.name.substr(0, dot);
  parts.ext = dot == std::u16string_view::npos ? std::u16string_view() : parts.name.substr(dot);
  return parts;
}

std::u16string LastPathComponent(std::u16string_view path) { return std::u16string(SplitPath(path).name); }

bool HasWildcard(std::u16string_view path) { return path.find_first_of(u"*?<>\"") != std::u16string_view::npos; }

bool IsBelowFolder(std::u16string_view folder, std::u16string_view path) {
  while (!folder.empty() && folder.back() == u'\\') folder.remove_suffix(1);
  return !folder.empty() && path.size() > folder.size() + 1 && path.substr(0, folder.size()) == folder &&
         path[folder.size()] == u'\\';
}

std::u16string ParentPath(std::u16string_view path) {
  const std::u16string_view folder = SplitPath(path).folder;
  return std::u16string(folder.substr(0, folder.empty() ? 0 : folder.size() - 1));
}

}  // namespace vard::platform
