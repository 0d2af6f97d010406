// Reaching another process's program window through its socket.
#include "common/platform/WindowMessenger.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <utility>
#include <vector>

#include "common/platform/FileSystem.h"
#include "common/platform/posix/LocalWindows.h"
#include "common/platform/posix/PosixPath.h"
#include "common/platform/posix/RuntimeSocket.h"
#include "common/platform/posix/WindowRequest.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

using posix::Fail;

// How often a wait with a time-out looks for the reply.
constexpr uint32_t kReplyPollMs = 1;

class Connection {
 public:
  ~Connection() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Open(const std::u16string& className) {
    sockaddr_un address{};
    if (!posix::SocketAddress(posix::RuntimeSocketPath("window", className), &address))
      return Fail(error::kInvalidWindowHandle);
    fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return Fail(posix::ErrorFromErrno(errno));
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return true;
    // A full backlog is a live window that is busy: the wait for the reply
    // covers it as a window that does not answer.
    return Fail(errno == EAGAIN ? error::kTimeout : error::kInvalidWindowHandle);
  }

  bool Exchange(const std::string& request, std::string* reply, uint32_t timeoutMs, IClock& clock) {
    if (::send(fd_, request.data(), request.size(), MSG_NOSIGNAL) < 0)
      return Fail(errno == EMSGSIZE ? error::kInvalidParameter
                  : errno == EAGAIN ? error::kTimeout
                                    : error::kInvalidWindowHandle);
    if (timeoutMs == kNoTimeout) {
      pollfd p{fd_, POLLIN, 0};
      while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
      }
    } else if (!clock.WaitUntil([&] { return Readable(); }, timeoutMs, kReplyPollMs)) {
      return Fail(error::kTimeout);
    }
    // The reply's size first, so that a long dump is read whole.
    char probe;
    const ssize_t size = ::recv(fd_, &probe, 1, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
    if (size <= 0) return Fail(error::kInvalidWindowHandle);  // the window ended meanwhile
    std::vector<char> buffer(static_cast<size_t>(size));
    const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (n != size) return Fail(error::kInvalidWindowHandle);
    reply->assign(buffer.data(), buffer.size());
    return true;
  }

 private:
  bool Readable() {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
  }

  int fd_ = -1;
};

bool Request(const std::u16string& className, const std::string& request, std::string* reply, uint32_t timeoutMs,
             IClock& clock) {
  if (posix::HandleOnThisThread(className, request, reply)) return true;
  Connection connection;
  return connection.Open(className) && connection.Exchange(request, reply, timeoutMs, clock);
}

// An "error: ..." reply: the window refused the request.
bool Refused(const std::string& reply) {
  if (!reply.starts_with("error:")) return false;
  SetLastErrorCode(reply.find("user") != std::string::npos ? error::kAccessDenied : error::kInvalidParameter);
  return true;
}

}  // namespace

std::optional<WindowRef> FindProgramWindow(const std::u16string& className, const WindowRef* parent) {
  Connection connection;
  if (!connection.Open(className)) return std::nullopt;
  if (parent) {
    Connection parentConnection;
    if (!parentConnection.Open(parent->className)) return std::nullopt;
  }
  return WindowRef{0, className};
}

bool SendRegisteredMessage(const WindowRef& window, const std::u16string& name, uintptr_t wParam, intptr_t lParam,
                           intptr_t* result, uint32_t timeoutMs, IClock& clock) {
  std::string reply;
  if (!Request(window.className, posix::SendRequestText(Utf16ToUtf8(name), wParam, lParam), &reply, timeoutMs, clock))
    return false;
  if (Refused(reply)) return false;
  intptr_t value = 0;
  const auto [end, ec] = std::from_chars(reply.data(), reply.data() + reply.size(), value);
  if (ec != std::errc() || end != reply.data() + reply.size()) return Fail(error::kInvalidParameter);
  if (result) *result = value;
  SetLastErrorCode(error::kSuccess);
  return true;
}

bool BringToForeground(const WindowRef& window) {
  std::string reply;
  if (!Request(window.className, "foreground", &reply, kNoTimeout, SystemClock())) return false;
  return !Refused(reply);
}

bool PostClose(const WindowRef& window, uintptr_t wParam) {
  std::string reply;
  if (!Request(window.className, "close " + std::to_string(wParam), &reply, kNoTimeout, SystemClock())) return false;
  return !Refused(reply);
}

bool WindowRequest(const std::u16string& className, const std::string& request, std::string* reply,
                   uint32_t timeoutMs, IClock& clock) {
  return Request(className, request, reply, timeoutMs, clock);
}

}  // namespace vard::platform
