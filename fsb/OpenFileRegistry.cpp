#include "fsb/OpenFileRegistry.h"

#include <utility>

namespace vard::fsb {

platform::File* OpenFileRegistry::Add(platform::File file, uint64_t owner) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.push_back(Entry{std::move(file), owner});
  return &entries_.back().file;
}

bool OpenFileRegistry::CloseFirst(uint64_t owner) {
  std::list<Entry> doomed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->owner != owner) continue;
      doomed.splice(doomed.end(), entries_, it);
      break;
    }
  }
  return !doomed.empty();  // closed here, outside the lock
}

void OpenFileRegistry::CloseAll(uint64_t owner) {
  while (CloseFirst(owner)) {
  }
}

void OpenFileRegistry::CloseEverything() {
  std::list<Entry> doomed;
  std::lock_guard<std::mutex> lock(mutex_);
  doomed.swap(entries_);
}

size_t OpenFileRegistry::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

}  // namespace vard::fsb
