// Message-mode named pipes.
#include "common/platform/Pipe.h"

#include <windows.h>
#include <sddl.h>

#include <utility>

#include "common/platform/win32/Wide.h"
#include "common/text/Utf.h"

#ifndef PIPE_REJECT_REMOTE_CLIENTS
#define PIPE_REJECT_REMOTE_CLIENTS 0x00000008
#endif

namespace vard::platform {
namespace {

HANDLE H(intptr_t n) { return reinterpret_cast<HANDLE>(n); }

// Full access for the interactive user and the local system only: a server
// that may run as the local system must not act for network or anonymous
// callers.
constexpr wchar_t kPipeSddl[] = L"D:P(A;;GA;;;SY)(A;;GA;;;IU)";

}  // namespace

bool PipeEnd::ReadMessage(void* buffer, uint32_t size, uint32_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  if (!IsOpen()) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  DWORD n = 0;
  const BOOL ok = ::ReadFile(H(native_), buffer, size, &n, nullptr);
  if (bytesRead) *bytesRead = n;
  return ok;
}

bool PipeEnd::WriteMessage(const void* data, uint32_t size, uint32_t* bytesWritten) {
  if (bytesWritten) *bytesWritten = 0;
  if (!IsOpen()) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  DWORD n = 0;
  const BOOL ok = ::WriteFile(H(native_), data, size, &n, nullptr);
  if (bytesWritten) *bytesWritten = n;
  return ok;
}

// A peek on a handle another thread reads synchronously would wait for that
// read, so the system cannot tell here.
bool PipeEnd::PeerHasLeft() const { return !IsOpen(); }

void PipeEnd::Close() {
  if (!IsOpen()) return;
  if (server_) {
    ::FlushFileBuffers(H(native_));
    ::DisconnectNamedPipe(H(native_));
  }
  ::CloseHandle(H(native_));
  native_ = kInvalid;
}

PipeListener::PipeListener(std::u16string name, uint32_t bufferSize, IClock& clock)
    : name_(std::move(name)), bufferSize_(bufferSize), clock_(clock) {}

PipeListener::~PipeListener() { Close(); }

void PipeListener::Close() {
  if (native_ != -1) ::CloseHandle(H(native_));
  native_ = -1;
}

bool PipeListener::Open() {
  if (native_ != -1) return true;
  SECURITY_ATTRIBUTES sa{};
  sa.nLength = sizeof sa;
  sa.bInheritHandle = FALSE;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kPipeSddl, SDDL_REVISION_1, &sd, nullptr))
    return false;
  sa.lpSecurityDescriptor = sd;
  const std::string name = Utf16ToUtf8(name_);
  HANDLE pipe = ::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                   PIPE_UNLIMITED_INSTANCES, bufferSize_, bufferSize_, 0, &sa);
  const DWORD createError = ::GetLastError();
  ::LocalFree(sd);
  if (pipe == INVALID_HANDLE_VALUE) {
    ::SetLastError(createError);
    return false;
  }
  native_ = reinterpret_cast<intptr_t>(pipe);
  return true;
}

PipeEnd PipeListener::Accept(bool* fatal) {
  *fatal = !Open();
  if (*fatal) return {};
  // Each client gets the waiting instance; the next Accept makes a new one.
  HANDLE pipe = H(std::exchange(native_, -1));
  if (!::ConnectNamedPipe(pipe, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
    const DWORD err = ::GetLastError();
    ::CloseHandle(pipe);
    ::SetLastError(err);
    return {};
  }
  return PipeEnd(reinterpret_cast<intptr_t>(pipe), true);
}

std::u16string PipeLocation(const std::u16string& name) { return name; }

PipeEnd ConnectPipe(const std::u16string& name) {
  HANDLE h = ::CreateFileW(win32::W(name), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  // Whole answers per read, as the server writes them.
  DWORD mode = PIPE_READMODE_MESSAGE;
  ::SetNamedPipeHandleState(h, &mode, nullptr, nullptr);
  return PipeEnd(reinterpret_cast<intptr_t>(h), false);
}

PipeServedWatch::PipeServedWatch(const std::u16string& name) : name_(name) {}

// A server's pipes end with its process, so any instance of the name, waiting
// or busy, is one that serves it now. Input idle says nothing of a console
// program, and a slow start outlasts the caller's few connect attempts.
bool PipeServedWatch::Served() const {
  if (::WaitNamedPipeW(win32::W(name_), 1)) return true;
  return ::GetLastError() == ERROR_SEM_TIMEOUT;
}

}  // namespace vard::platform
