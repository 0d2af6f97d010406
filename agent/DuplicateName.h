#pragma once
// Names of new download entries: a name already shown in the list gets the
// next free number, "a.txt" -> "a(1).txt", "a(2).txt" ...
#include <string>

#include "agent/ListEntries.h"

namespace vard {

struct SplitName {
  std::u16string dir;   // drive and directory, with the trailing separator
  std::u16string base;  // name without extension
  std::u16string ext;   // from the last "." of the name, dot included
};
SplitName SplitFileName(std::u16string_view path);

// The name a new entry called `fileName` gets next to `list`.
std::u16string DuplicateFreeName(const std::u16string& fileName, const EntryList& list);

}  // namespace vard
