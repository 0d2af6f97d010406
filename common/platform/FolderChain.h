#pragma once
// Creates the directories of a path the way the engines and brokers build
// paths: the text before every "\" after the first one is a directory.
#include <string>

#include "common/platform/IFileSystem.h"

namespace vard::platform {

// True when every level exists afterwards (levels that already existed
// count as made). "C:\a\b\f.txt" makes "C:\a" and "C:\a\b"; a path ending
// in "\" makes its last level too.
bool MakeFolderChain(const std::u16string& path, IFileSystem& files = RealFileSystem());

}  // namespace vard::platform
