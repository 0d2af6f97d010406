#pragma once
// Names of new download entries: a name already shown in the list gets the
// next free number, "a.txt" -> "a(1).txt", "a(2).txt" ...
#include <string>

#include "agent/ListEntries.h"

namespace vard {

// The name a new entry called `fileName` gets next to `list`.
std::u16string DuplicateFreeName(const std::u16string& fileName, const EntryList& list);

}  // namespace vard
