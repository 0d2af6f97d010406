// Program windows as SOCK_SEQPACKET sockets in R/window, served on the
// loop's thread without ever blocking it.
#include "common/platform/ProgramWindow.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "common/platform/FileSystem.h"
#include "common/platform/posix/EventLoopImpl.h"
#include "common/platform/posix/LocalWindows.h"
#include "common/platform/posix/PosixPath.h"
#include "common/platform/posix/RuntimeSocket.h"
#include "common/platform/posix/WindowRequest.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

using posix::Fail;
using Verb = posix::WindowRequestParts::Verb;

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// Someone listens at `path` (a refused connection is a dead window's file).
bool Answers(const sockaddr_un& address) {
  Descriptor fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (fd.Get() < 0) return false;
  // EAGAIN: the backlog is full, which only a live listener has.
  return ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 || errno == EAGAIN;
}

// Holds the window folder locked, so that two windows of one class made at
// once do not both take a dead window's place.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder) : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_.Get() >= 0) ::flock(fd_.Get(), LOCK_EX);
  }

 private:
  Descriptor fd_;
};

}  // namespace

struct ProgramWindow::Impl {
  // What serves the socket; connections keep it while they reply, so a
  // handler may destroy its window (as WM_CLOSE handlers do).
  struct Server;
  struct Connection {
    Descriptor fd;
    bool foreign = false;  // another user: answered, never obeyed
    std::weak_ptr<Server> server;
  };
  struct Server {
    EventLoop::Impl* loop = nullptr;
    IWindowRequests* handler = nullptr;
    std::set<std::string> messages;  // UTF-8 names
    Descriptor listener;
    std::string path;
    ino_t inode = 0;
    std::map<int, std::shared_ptr<Connection>> connections;
    std::u16string className;
    std::thread::id thread;  // the loop's

    void Accept(const std::shared_ptr<Server>& self);
    void Read(const std::shared_ptr<Connection>& connection);
    std::string Handle(const std::string& request, bool foreign);
    void Drop(int fd) {
      loop->Unwatch(fd);
      connections.erase(fd);
    }
    // The window is gone: nobody finds it or reaches its handler any more,
    // even while a reply of its last request is still to be sent.
    void Withdraw();
    ~Server() { Withdraw(); }
  };

  ~Impl() {
    if (server) server->Withdraw();
  }

  std::shared_ptr<Server> server;
  bool visible = false;
  std::u16string title;
};

namespace {

// The windows of this process by class, for requests from their own thread.
struct LocalWindows {
  std::mutex mutex;
  std::map<std::u16string, std::weak_ptr<ProgramWindow::Impl::Server>> byClass;
  static LocalWindows& Get() {
    static LocalWindows windows;
    return windows;
  }
};

}  // namespace

bool posix::HandleOnThisThread(const std::u16string& className, const std::string& request, std::string* reply) {
  std::shared_ptr<ProgramWindow::Impl::Server> server;
  {
    LocalWindows& local = LocalWindows::Get();
    std::lock_guard<std::mutex> lock(local.mutex);
    auto it = local.byClass.find(className);
    if (it == local.byClass.end()) return false;
    server = it->second.lock();
  }
  if (!server || server->thread != std::this_thread::get_id()) return false;
  *reply = request.size() > posix::kMaxWindowRequest ? "error: request too long" : server->Handle(request, false);
  return true;
}

void ProgramWindow::Impl::Server::Accept(const std::shared_ptr<Server>& self) {
  for (;;) {
    const int fd = ::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;  // none waiting (or out of descriptors: the next round retries)
    auto connection = std::make_shared<Connection>();
    connection->fd.Reset(fd);
    connection->server = self;
    ucred peer{};
    socklen_t size = sizeof peer;
    connection->foreign = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::getuid();
    connections[fd] = connection;
    std::weak_ptr<Connection> weak = connection;
    loop->Watch(fd, [weak] {
      if (auto c = weak.lock())
        if (auto s = c->server.lock()) s->Read(c);
    });
  }
}

void ProgramWindow::Impl::Server::Read(const std::shared_ptr<Connection>& connection) {
  const int fd = connection->fd.Get();
  char buffer[posix::kMaxWindowRequest + 1];
  const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  if (n <= 0) {
    Drop(fd);
    return;
  }
  const std::string reply = static_cast<size_t>(n) > posix::kMaxWindowRequest
                                ? "error: request too long"
                                : Handle(std::string(buffer, static_cast<size_t>(n)), connection->foreign);
  // A client that does not read its replies loses its connection rather
  // than stopping the loop.
  if (::send(fd, reply.data(), reply.size(), MSG_DONTWAIT | MSG_NOSIGNAL) < 0) Drop(fd);
}

std::string ProgramWindow::Impl::Server::Handle(const std::string& request, bool foreign) {
  if (foreign) return "error: not the window's user";
  if (!handler) return "error: the window is gone";
  posix::WindowRequestParts parts;
  std::string reason;
  if (!posix::ParseWindowRequest(request, &parts, &reason)) return "error: " + reason;
  switch (parts.verb) {
    case Verb::kSend: {
      if (!messages.count(parts.name)) return "error: message not registered";
      return std::to_string(handler->OnRegisteredMessage(Utf8ToUtf16(parts.name), parts.wParam, parts.lParam));
    }
    case Verb::kForeground:
      handler->OnForeground();
      return "0";
    case Verb::kCommand:
      handler->OnCommand(parts.controlId);
      return "0";
    case Verb::kClose:
      handler->OnClose(parts.wParam);
      return "0";
    case Verb::kDump:
      return handler->Dump();
  }
  return "error: unknown request";
}

void ProgramWindow::Impl::Server::Withdraw() {
  if (!handler) return;
  handler = nullptr;
  {
    LocalWindows& local = LocalWindows::Get();
    std::lock_guard<std::mutex> lock(local.mutex);
    if (auto it = local.byClass.find(className); it != local.byClass.end() && it->second.expired())
      local.byClass.erase(it);
  }
  if (listener.Get() >= 0) loop->Unwatch(listener.Get());
  listener.Reset(-1);
  // Connections stay until their replies are sent; none is read again.
  for (const auto& [fd, connection] : connections) loop->Unwatch(fd);
  // Only our own file: a newer window of the class may have taken the name.
  struct stat st{};
  if (!path.empty() && ::lstat(path.c_str(), &st) == 0 && st.st_ino == inode) ::unlink(path.c_str());
}

namespace {
void NoFilter(const std::u16string&) {}
std::atomic<LowerIntegrityFilter> filterCall{&NoFilter};
}  // namespace

LowerIntegrityFilter ReplaceLowerIntegrityFilter(LowerIntegrityFilter filter) { return filterCall.exchange(filter); }

std::unique_ptr<ProgramWindow> ProgramWindow::Create(EventLoop& loop, const std::u16string& className,
                                                     ProgramWindow* parent, const std::vector<std::u16string>& messages,
                                                     IWindowRequests& handler,
                                                     const std::vector<std::u16string>& fromLowerIntegrity) {
  (void)parent;  // a child is found by its own class's socket
  const std::string path = posix::RuntimeSocketPath("window", className);
  if (path.empty()) {
    Fail(posix::ErrorFromErrno(errno));
    return nullptr;
  }
  // Bound under a private name and renamed into place once listening, so
  // the name never points at a socket that refuses connections.
  const std::string temp = path + ".new." + std::to_string(::getpid());
  sockaddr_un address{}, tempAddress{};
  if (!posix::SocketAddress(path, &address) || !posix::SocketAddress(temp, &tempAddress)) return nullptr;

  auto server = std::make_shared<Impl::Server>();
  server->loop = &loop.Internals();
  server->handler = &handler;
  server->className = className;
  server->thread = std::this_thread::get_id();
  for (const auto& name : messages) {
    server->messages.insert(Utf16ToUtf8(name));
    if (std::find(fromLowerIntegrity.begin(), fromLowerIntegrity.end(), name) != fromLowerIntegrity.end())
      filterCall.load()(name);
  }

  server->listener.Reset(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (server->listener.Get() < 0) {
    Fail(posix::ErrorFromErrno(errno));
    return nullptr;
  }
  {
    FolderLock lock(path.substr(0, path.rfind('/')));
    if (Answers(address)) {
      Fail(error::kAlreadyExists);
      return nullptr;
    }
    ::unlink(temp.c_str());
    struct stat st{};
    if (::bind(server->listener.Get(), reinterpret_cast<sockaddr*>(&tempAddress), sizeof tempAddress) != 0 ||
        ::listen(server->listener.Get(), 64) != 0 || ::lstat(temp.c_str(), &st) != 0 ||
        ::rename(temp.c_str(), path.c_str()) != 0) {
      const int err = errno;
      ::unlink(temp.c_str());
      Fail(posix::ErrorFromErrno(err));
      return nullptr;
    }
    server->path = path;
    server->inode = st.st_ino;
  }
  {
    LocalWindows& local = LocalWindows::Get();
    std::lock_guard<std::mutex> lock(local.mutex);
    local.byClass[className] = server;
  }
  std::weak_ptr<Impl::Server> weak = server;
  server->loop->Watch(server->listener.Get(), [weak] {
    if (auto s = weak.lock()) s->Accept(s);
  });
  auto impl = std::make_unique<Impl>();
  impl->server = std::move(server);
  SetLastErrorCode(error::kSuccess);
  return std::unique_ptr<ProgramWindow>(new ProgramWindow(std::move(impl)));
}

ProgramWindow::ProgramWindow(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ProgramWindow::~ProgramWindow() = default;

void ProgramWindow::Show(bool visible) { impl_->visible = visible; }
bool ProgramWindow::IsVisible() const { return impl_->visible; }
void ProgramWindow::SetTitle(const std::u16string& title) { impl_->title = title; }
std::u16string ProgramWindow::Title() const { return impl_->title; }
intptr_t ProgramWindow::NativeHandle() const { return 0; }

}  // namespace vard::platform
