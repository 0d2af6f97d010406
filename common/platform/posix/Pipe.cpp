// Message pipes as SOCK_SEQPACKET Unix sockets in the runtime folder.
#include "common/platform/Pipe.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "common/platform/FileSystem.h"
#include "common/platform/posix/PosixPath.h"

namespace vard::platform {
namespace {

using posix::Fail;

std::string SocketPath(const std::u16string& name) {
  std::u16string last = name;
  if (const auto slash = name.rfind(u'\\'); slash != std::u16string::npos) last = name.substr(slash + 1);
  const std::string folder = posix::RuntimeSubfolder("pipe");
  if (folder.empty()) return {};
  return folder + "/" + posix::ObjectFileName(last);
}

bool MakeAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof addr->sun_path) return false;
  std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
  return true;
}

// How long a reader polls before it sleeps. A sleeping reader costs two
// trips through the scheduler per message (tens of microseconds on small
// virtual machines), more than the request it waits for; a peer that
// answers at once is usually back within this time.
constexpr auto kPollBudget = std::chrono::microseconds(200);

bool PollingPays() {
  static const bool several = std::thread::hardware_concurrency() > 1;
  return several;
}

// recv that polls first while messages keep arriving quickly; `quick`
// remembers whether the last wait ended within the budget, so an idle
// connection sleeps at once instead of polling on every message.
ssize_t ReceiveMessage(int fd, void* buffer, size_t size, bool* quick) {
  if (*quick && PollingPays()) {
    const auto until = std::chrono::steady_clock::now() + kPollBudget;
    do {
      const ssize_t n = ::recv(fd, buffer, size, MSG_TRUNC | MSG_DONTWAIT);
      if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return n;
    } while (std::chrono::steady_clock::now() < until);
  }
  const auto start = std::chrono::steady_clock::now();
  const ssize_t n = ::recv(fd, buffer, size, MSG_TRUNC);
  *quick = std::chrono::steady_clock::now() - start < kPollBudget;
  return n;
}

}  // namespace

bool PipeEnd::ReadMessage(void* buffer, uint32_t size, uint32_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  if (!IsOpen()) return Fail(error::kInvalidHandle);
  for (;;) {
    // MSG_TRUNC reports the whole message length, so an oversized message
    // is seen as such instead of silently cut.
    const ssize_t n = ReceiveMessage(static_cast<int>(native_), buffer, size, &quick_);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == ECONNRESET || errno == ENOTCONN) return Fail(error::kBrokenPipe);
      return Fail(posix::ErrorFromErrno(errno));
    }
    if (n == 0) return Fail(error::kBrokenPipe);
    if (static_cast<size_t>(n) > size) {
      if (bytesRead) *bytesRead = size;
      return Fail(error::kMoreData);
    }
    if (bytesRead) *bytesRead = static_cast<uint32_t>(n);
    return true;
  }
}

bool PipeEnd::WriteMessage(const void* data, uint32_t size, uint32_t* bytesWritten) {
  if (bytesWritten) *bytesWritten = 0;
  if (!IsOpen()) return Fail(error::kInvalidHandle);
  for (;;) {
    const ssize_t n = ::send(static_cast<int>(native_), data, size, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN) return Fail(error::kNoData);
      return Fail(posix::ErrorFromErrno(errno));
    }
    if (bytesWritten) *bytesWritten = static_cast<uint32_t>(n);
    return true;
  }
}

void PipeEnd::Close() {
  if (!IsOpen()) return;
  if (server_) ::shutdown(static_cast<int>(native_), SHUT_RDWR);
  ::close(static_cast<int>(native_));
  native_ = kInvalid;
}

PipeListener::PipeListener(std::u16string name, uint32_t bufferSize)
    : name_(std::move(name)), bufferSize_(bufferSize) {}

PipeListener::~PipeListener() {
  if (native_ >= 0) ::close(static_cast<int>(native_));
}

PipeEnd PipeListener::Accept(bool* fatal) {
  *fatal = false;
  if (native_ < 0) {
    *fatal = true;
    const std::string path = SocketPath(name_);
    // Bound under a private name and renamed into place once listening, so
    // the name never points at a socket that refuses connections.
    const std::string temp = path + ".new." + std::to_string(::getpid());
    sockaddr_un addr{};
    if (!MakeAddress(temp, &addr)) {
      SetLastErrorCode(error::kInvalidParameter);
      return {};
    }
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      SetLastErrorCode(posix::ErrorFromErrno(errno));
      return {};
    }
    const int size = static_cast<int>(bufferSize_) * 2;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    ::unlink(temp.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0 ||
        ::rename(temp.c_str(), path.c_str()) != 0) {
      SetLastErrorCode(posix::ErrorFromErrno(errno));
      ::unlink(temp.c_str());
      ::close(fd);
      return {};
    }
    native_ = fd;
    *fatal = false;
  }
  const int client = ::accept4(static_cast<int>(native_), nullptr, nullptr, SOCK_CLOEXEC);
  if (client < 0) {
    SetLastErrorCode(posix::ErrorFromErrno(errno));
    *fatal = errno == EBADF || errno == EINVAL || errno == ENOTSOCK;
    if (!*fatal) ::usleep(1000);  // out of descriptors: do not spin
    return {};
  }
  return PipeEnd(client, true);
}

PipeEnd ConnectPipe(const std::u16string& name) {
  sockaddr_un addr{};
  if (!MakeAddress(SocketPath(name), &addr)) {
    SetLastErrorCode(error::kFileNotFound);
    return {};
  }
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    SetLastErrorCode(posix::ErrorFromErrno(errno));
    return {};
  }
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    const int err = errno;
    ::close(fd);
    // Nobody serving looks like a missing pipe on Win32.
    SetLastErrorCode(err == ENOENT || err == ECONNREFUSED ? error::kFileNotFound
                     : err == EAGAIN                      ? error::kPipeBusy
                                                          : posix::ErrorFromErrno(err));
    return {};
  }
  return PipeEnd(fd, false);
}

PipeServedWatch::PipeServedWatch(const std::u16string& name) : name_(name) {
  struct stat st{};
  if (::stat(SocketPath(name_).c_str(), &st) == 0) before_ = st.st_ino;
}

bool PipeServedWatch::Served() const {
  struct stat st{};
  return ::stat(SocketPath(name_).c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_ino != before_;
}

}  // namespace vard::platform
