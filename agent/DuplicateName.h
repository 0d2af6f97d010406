#pragma once
// Names of new download entries: a name already shown in the list gets the
// next free number, "a.txt" -> "a(1).txt", "a(2).txt" ...
#include <string>
#include <vector>

#include "agent/ListEntries.h"

namespace vard {

// The names of a list, split once, for a batch of new entries: a hand-off
// of many entries asks for every new name against every shown one.
class DuplicateNames {
 public:
  explicit DuplicateNames(const EntryList& list);
  // The name a new entry called `fileName` gets next to the names known.
  std::u16string FreeName(const std::u16string& fileName) const;
  // A name shown from now on.
  void Add(const std::u16string& shownName);

 private:
  struct Split {
    std::u16string base, ext;
  };
  std::vector<Split> names_;
};

// The name a new entry called `fileName` gets next to `list`.
std::u16string DuplicateFreeName(const std::u16string& fileName, const EntryList& list);

}  // namespace vard
