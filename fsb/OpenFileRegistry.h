#pragma once
// Every file the broker holds open, with the connection that opened it, in
// the order opened. Shared by all connection workers; one lock guards it.
// Entries keep their address until removed, so a worker may use its own
// file without the lock (only its owner removes it).
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>

#include "common/platform/FileSystem.h"

namespace vard::fsb {

class OpenFileRegistry {
 public:
  platform::File* Add(platform::File file, uint64_t owner);
  // Closes the owner's first file; false when it has none.
  bool CloseFirst(uint64_t owner);
  // Closes the owner's files, first one first.
  void CloseAll(uint64_t owner);
  void CloseEverything();
  size_t Count() const;

 private:
  struct Entry {
    platform::File file;
    uint64_t owner;
  };
  mutable std::mutex mutex_;
  std::list<Entry> entries_;
};

}  // namespace vard::fsb
