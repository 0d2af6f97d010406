// Message pipes as SOCK_SEQPACKET Unix sockets in the runtime folder.
#include "common/platform/Pipe.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

#include "common/platform/FileSystem.h"
#include "common/platform/posix/PosixPath.h"
#include "common/platform/posix/RuntimeSocket.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

using posix::Fail;

std::string SocketPath(const std::u16string& name) { return posix::RuntimeSocketPath("pipe", name); }

// How long a reader polls before it sleeps. A sleeping reader costs two
// trips through the scheduler per message (tens of microseconds on small
// virtual machines), more than the request it waits for; a peer that
// answers at once is usually back within this time.
constexpr int64_t kPollBudgetMicroseconds = 200;

bool PollingPays() {
  static const bool several = std::thread::hardware_concurrency() > 1;
  return several;
}

// A look that finds the queue empty and then sees the peer's end answers
// 0, even when the peer's last message came in that same instant: the
// message is queued before the end is seen, so a second look finds it.
ssize_t LookAgainAtTheEnd(int fd, void* buffer, size_t size, int flags) {
  const ssize_t n = ::recv(fd, buffer, size, flags | MSG_DONTWAIT);
  return n > 0 ? n : 0;
}

// recv that polls first while messages keep arriving quickly; `quick`
// remembers whether the last wait ended within the budget, so an idle
// connection sleeps at once instead of polling on every message. A matter
// of real time, not a wait of the system's logic: it reads the real clock.
ssize_t ReceiveMessage(int fd, void* buffer, size_t size, bool* quick) {
  IClock& clock = SystemClock();
  const int64_t budget = kPollBudgetMicroseconds * clock.PerfFrequency() / 1000000;
  if (*quick && PollingPays()) {
    const int64_t until = clock.PerfCounter() + budget;
    do {
      const ssize_t n = ::recv(fd, buffer, size, MSG_TRUNC | MSG_DONTWAIT);
      if (n == 0) return LookAgainAtTheEnd(fd, buffer, size, MSG_TRUNC);
      if (n > 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return n;
    } while (clock.PerfCounter() < until);
  }
  const int64_t start = clock.PerfCounter();
  const ssize_t n = ::recv(fd, buffer, size, MSG_TRUNC);
  *quick = clock.PerfCounter() - start < budget;
  return n;
}

}  // namespace

bool PipeEnd::ReadMessage(void* buffer, uint32_t size, uint32_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  if (!IsOpen()) return Fail(error::kInvalidHandle);
  for (;;) {
    // MSG_TRUNC reports the whole message length, so an oversized message
    // is seen as such instead of silently cut. A server waits for requests
    // on its client's time and does not poll: spinning there takes the core
    // a pipelining client needs to send them. A client waits for answers,
    // which come at once.
    bool never = false;
    const ssize_t n = ReceiveMessage(static_cast<int>(native_), buffer, size, server_ ? &never : &quick_);
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

bool PipeEnd::PeerHasLeft() const {
  if (!IsOpen()) return true;
  // A peek takes nothing from the reader: 0 is the end of the stream,
  // a message or "nothing yet" means the peer may still speak.
  char byte = 0;
  const int fd = static_cast<int>(native_);
  for (;;) {
    const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT | MSG_TRUNC);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) return LookAgainAtTheEnd(fd, &byte, 1, MSG_PEEK | MSG_TRUNC) == 0;
    return n < 0 && (errno == ECONNRESET || errno == ENOTCONN);
  }
}

void PipeEnd::Close() {
  if (!IsOpen()) return;
  if (server_) ::shutdown(static_cast<int>(native_), SHUT_RDWR);
  ::close(static_cast<int>(native_));
  native_ = kInvalid;
}

PipeListener::PipeListener(std::u16string name, uint32_t bufferSize, IClock& clock)
    : name_(std::move(name)), bufferSize_(bufferSize), clock_(clock) {}

PipeListener::~PipeListener() { Close(); }

void PipeListener::Close() {
  // The socket file stays: a new server renames its own over it, and until
  // then a client is refused rather than left unanswered.
  if (native_ >= 0) ::close(static_cast<int>(native_));
  native_ = -1;
}

bool PipeListener::Open() {
  if (native_ >= 0) return true;
  const std::string path = SocketPath(name_);
  if (path.empty()) return Fail(posix::ErrorFromErrno(errno));
  // Bound under a private name and renamed into place once listening, so
  // the name never points at a socket that refuses connections. Both names
  // must fit an address.
  const std::string temp = path + ".new." + std::to_string(::getpid());
  sockaddr_un final{}, addr{};
  if (!posix::SocketAddress(path, &final) || !posix::SocketAddress(temp, &addr)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return Fail(posix::ErrorFromErrno(errno));
  const int size = static_cast<int>(bufferSize_) * 2;
  ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  ::unlink(temp.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0 ||
      ::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    ::close(fd);
    return Fail(posix::ErrorFromErrno(err));
  }
  native_ = fd;
  return true;
}

PipeEnd PipeListener::Accept(bool* fatal) {
  *fatal = !Open();
  if (*fatal) return {};
  const int client = ::accept4(static_cast<int>(native_), nullptr, nullptr, SOCK_CLOEXEC);
  if (client < 0) {
    const int err = errno;
    SetLastErrorCode(posix::ErrorFromErrno(err));
    *fatal = err == EBADF || err == EINVAL || err == ENOTSOCK;
    if (!*fatal) clock_.Sleep(1);  // out of descriptors: do not spin
    return {};
  }
  return PipeEnd(client, true);
}

std::u16string PipeLocation(const std::u16string& name) {
  const std::string path = SocketPath(name);
  return path.empty() ? name : Utf8ToUtf16(path);
}

PipeEnd ConnectPipe(const std::u16string& name) {
  sockaddr_un addr{};
  if (!posix::SocketAddress(SocketPath(name), &addr)) {
    SetLastErrorCode(error::kFileNotFound);  // nothing can serve such a name
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
