#include "common/platform/SharedMemory.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "common/platform/win32/LowIntegrity.h"
#include "common/platform/win32/Wide.h"

namespace vard::platform {

SharedMemory SharedMemory::CreateOrOpen(const std::u16string& name, size_t size, IClock& clock) {
  (void)clock;  // the mapping is made with its size in one call
  SharedMemory result;
  if (size == 0 || size > 0xFFFFFFFFu) return result;
  win32::LowIntegrityAttributes security;
  HANDLE h = ::CreateFileMappingW(INVALID_HANDLE_VALUE, security.Get(), PAGE_READWRITE, 0,
                                  static_cast<DWORD>(size), win32::W(name));
  if (!h) return result;
  // An explicit view size fails on an existing, smaller object instead of
  // handing out a view shorter than the region.
  void* view = ::MapViewOfFile(h, FILE_MAP_ALL_ACCESS, 0, 0, size);
  if (!view) {
    ::CloseHandle(h);
    return result;
  }
  result.data_ = static_cast<uint8_t*>(view);
  result.size_ = size;
  result.handle_ = reinterpret_cast<intptr_t>(h);
  return result;
}

void SharedMemory::ZeroFill() {
  if (data_) std::memset(data_, 0, size_);
}

void SharedMemory::Close() {
  if (data_) ::UnmapViewOfFile(data_);
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
  data_ = nullptr;
  size_ = 0;
  handle_ = -1;
}

void RemoveSharedMemoryName(const std::u16string&) {}

}  // namespace vard::platform
