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

// Some level of `path` below `folder` (the file itself included) is a link:
// a write there would land wherever the link points. `folder` itself may be
// one (a person may move their folders).
bool LinkBelow(const std::u16string& folder, const std::u16string& path);

}  // namespace vard::platform
