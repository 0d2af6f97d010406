#include "common/platform/MessageStreams.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace vard::platform {
namespace {

class HandleChannel final : public IByteChannel {
 public:
  HandleChannel(HANDLE in, HANDLE out) : in_(in), out_(out) {}
  ~HandleChannel() override {
    ::CloseHandle(in_);
    ::CloseHandle(out_);
  }
  size_t ReadSome(char* data, size_t size) override {
    DWORD got = 0;
    const DWORD ask = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    if (!::ReadFile(in_, data, ask, &got, nullptr)) return 0;
    return got;
  }
  bool WriteAll(const char* data, size_t size) override {
    while (size > 0) {
      DWORD wrote = 0;
      const DWORD ask = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
      if (!::WriteFile(out_, data, ask, &wrote, nullptr) || wrote == 0) return false;
      data += wrote;
      size -= wrote;
    }
    return true;
  }

 private:
  HANDLE in_, out_;
};

// A private, non-inheritable copy of a standard handle.
HANDLE PrivateCopy(DWORD which) {
  HANDLE copy = INVALID_HANDLE_VALUE;
  const HANDLE process = ::GetCurrentProcess();
  ::DuplicateHandle(process, ::GetStdHandle(which), process, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
  return copy;
}

}  // namespace

std::unique_ptr<IByteChannel> TakeStandardStreams() {
  HANDLE in = PrivateCopy(STD_INPUT_HANDLE);
  HANDLE out = PrivateCopy(STD_OUTPUT_HANDLE);
  // The C runtime's descriptors and the process's standard handles now
  // name the null device; the protocol goes through the private copies.
  const int null = ::_open("NUL", _O_RDWR | _O_BINARY);
  if (null >= 0) {
    std::fflush(stdout);
    ::_dup2(null, 0);
    ::_dup2(null, 1);
    ::_close(null);
    ::SetStdHandle(STD_INPUT_HANDLE, reinterpret_cast<HANDLE>(::_get_osfhandle(0)));
    ::SetStdHandle(STD_OUTPUT_HANDLE, reinterpret_cast<HANDLE>(::_get_osfhandle(1)));
  }
  return std::make_unique<HandleChannel>(in, out);
}

}  // namespace vard::platform
