#pragma once
// Named shared memory: a paging-file mapping on Windows, a POSIX shm object
// elsewhere. Whoever comes first creates the object; later openers get the
// existing one. Created with the low-integrity descriptor on Windows so that
// low-integrity processes can open it too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "common/platform/Clock.h"

namespace vard::platform {

// One mapping of one named object. Owns its handle and view; moves, never copies.
class SharedMemory {
 public:
  SharedMemory() = default;
  ~SharedMemory() { Close(); }
  SharedMemory(SharedMemory&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        handle_(std::exchange(other.handle_, -1)) {}
  SharedMemory& operator=(SharedMemory&& other) noexcept {
    if (this != &other) {
      Close();
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
      handle_ = std::exchange(other.handle_, -1);
    }
    return *this;
  }
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;

  // Creates or opens `name` and maps exactly `size` bytes with read/write
  // access. An existing object too small for `size` counts as a failure, so
  // a view never ends short of what the caller reads. On failure the result
  // is not open and LastError() tells why (POSIX: kInvalidParameter for an
  // object too small). POSIX objects are made and sized in two steps: an
  // opener that finds one not yet sized waits up to kSizingWaitMs on
  // `clock` for its creator.
  static SharedMemory CreateOrOpen(const std::u16string& name, size_t size, IClock& clock = SystemClock());
  static constexpr uint32_t kSizingWaitMs = 250;

  bool IsOpen() const { return data_ != nullptr; }
  uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }

  // Makes the whole view read as zeros. The pages stay in place: a batch
  // written into pages given back would fault every one of them in again,
  // which costs more than the writing (the view is mapped populated).
  void ZeroFill();
  // Unmaps and closes; the object goes away with its last handle (Windows).
  void Close();

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  intptr_t handle_ = -1;  // HANDLE on Windows, descriptor on POSIX
};

// POSIX only: removes the name (objects there outlive their last user).
// Does nothing on Windows.
void RemoveSharedMemoryName(const std::u16string& name);

}  // namespace vard::platform
