// The per-user stand-in of the service control manager.
#include "common/platform/ServiceManager.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "common/platform/Environment.h"
#include "common/platform/Registry.h"
#include "common/platform/posix/PosixPath.h"
#include "common/platform/posix/RuntimeSocket.h"
#include "common/text/Utf.h"

extern char** environ;

namespace vard::platform {
namespace {

constexpr char kServiceEnv[] = "VARDEL_SERVICE_NAME";

std::u16string ConfigKey(const std::u16string& name) { return u"Software\\vardel\\Services\\" + name; }

// R/service/<name>, made on demand; empty on failure (last error set).
std::string ServiceFolder(const std::u16string& name) {
  const std::string base = posix::RuntimeSubfolder("service");
  if (base.empty()) {
    SetLastErrorCode(posix::ErrorFromErrno(errno));
    return {};
  }
  const std::string folder = base + "/" + posix::ObjectFileName(name);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    SetLastErrorCode(posix::ErrorFromErrno(errno));
    return {};
  }
  return folder;
}

bool Installed(const std::u16string& name) {
  return SystemRegistry().KeyExists(RegistryRoot::kCurrentUser, ConfigKey(name));
}

// One control packet to the running service; its answer is "<error> <state>".
uint32_t SendControl(const std::u16string& name, uint32_t control, uint32_t* state) {
  const std::string folder = ServiceFolder(name);
  if (folder.empty()) return LastError();
  sockaddr_un address{};
  if (!posix::SocketAddress(folder + "/control", &address)) return LastError();
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return posix::ErrorFromErrno(errno);
  uint32_t result = error::kServiceNotActive;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const std::string request = std::to_string(control);
    char reply[64] = {};
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
      const ssize_t got = ::recv(fd, reply, sizeof reply - 1, 0);
      unsigned code = 0, answered = 0;
      if (got > 0 && std::sscanf(reply, "%u %u", &code, &answered) == 2) {
        result = code;
        if (code == 0 && state) *state = answered;
      }
    }
  }
  ::close(fd);
  return result;
}

// The program started on its own: a grandchild that init adopts, so that
// neither the starter nor a test process has to reap it.
uint32_t SpawnDetached(const std::string& program, const std::u16string& name) {
  if (::access(program.c_str(), X_OK) != 0) return posix::ErrorFromErrno(errno);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, kServiceEnv, sizeof kServiceEnv - 1) != 0 || (*e)[sizeof kServiceEnv - 1] != '=')
      env.emplace_back(*e);
  env.push_back(std::string(kServiceEnv) + "=" + Utf16ToUtf8(name));
  std::vector<char*> envp;
  for (auto& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string arg0 = program;
  char* argv[] = {arg0.data(), nullptr};
  const pid_t child = ::fork();
  if (child < 0) return posix::ErrorFromErrno(errno);
  if (child == 0) {
    ::setsid();
    if (::fork() != 0) ::_exit(0);
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(null, 2);
    }
    ::execve(argv[0], argv, envp.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return 0;
}

class StandInServiceManager final : public IServiceManager {
 public:
  uint32_t Create(const ServiceConfig& c) override {
    IRegistry& r = SystemRegistry();
    const std::u16string key = ConfigKey(c.name);
    if (r.KeyExists(RegistryRoot::kCurrentUser, key)) return error::kServiceExists;
    const auto root = RegistryRoot::kCurrentUser;
    if (!r.WriteString(root, key, u"DisplayName", c.displayName) ||
        !r.WriteString(root, key, u"ImagePath", c.programPath) || !r.WriteDword(root, key, u"Type", c.type) ||
        !r.WriteDword(root, key, u"Start", c.startType) || !r.WriteDword(root, key, u"ErrorControl", c.errorControl))
      return LastError();
    return 0;
  }

  uint32_t SetDescription(const std::u16string& name, const std::u16string& description) override {
    if (!Installed(name)) return error::kServiceDoesNotExist;
    return SystemRegistry().WriteString(RegistryRoot::kCurrentUser, ConfigKey(name), u"Description", description)
               ? 0
               : LastError();
  }

  uint32_t SetFailureActions(const std::u16string& name, uint32_t resetPeriodSeconds,
                             const std::vector<FailureAction>& actions) override {
    if (!Installed(name)) return error::kServiceDoesNotExist;
    // Kept for the record: the stand-in restarts nothing.
    std::string text = std::to_string(resetPeriodSeconds);
    for (const FailureAction& a : actions) text += " " + std::to_string(a.type) + "/" + std::to_string(a.delayMs);
    return SystemRegistry().WriteString(RegistryRoot::kCurrentUser, ConfigKey(name), u"FailureActions",
                                        Utf8ToUtf16(text))
               ? 0
               : LastError();
  }

  uint32_t Delete(const std::u16string& name) override {
    if (!Installed(name)) return error::kServiceDoesNotExist;
    return SystemRegistry().DeleteKey(RegistryRoot::kCurrentUser, ConfigKey(name)) ? 0 : LastError();
  }

  uint32_t Start(const std::u16string& name) override {
    if (!Installed(name)) return error::kServiceDoesNotExist;
    uint32_t state = 0;
    if (SendControl(name, service::kControlInterrogate, &state) == 0 && state != service::kStopped)
      return error::kServiceAlreadyRunning;
    const auto path = SystemRegistry().ReadString(RegistryRoot::kCurrentUser, ConfigKey(name), u"ImagePath");
    if (!path) return error::kFileNotFound;
    return SpawnDetached(posix::ToOsPath(*path), name);
  }

  uint32_t Control(const std::u16string& name, uint32_t control, uint32_t* state) override {
    if (!Installed(name)) return error::kServiceDoesNotExist;
    return SendControl(name, control, state);
  }

  bool RunDispatcher(const std::u16string& name, std::function<void()> serviceMain) override {
    if (GetEnv(kServiceEnv).value_or("") != Utf16ToUtf8(name)) return posix::Fail(error::kFailedServiceControllerConnect);
    folder_ = ServiceFolder(name);
    if (folder_.empty()) return false;
    sockaddr_un address{};
    if (!posix::SocketAddress(folder_ + "/control", &address)) return false;
    listener_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (listener_ < 0) return posix::Fail(posix::ErrorFromErrno(errno));
    ::unlink(address.sun_path);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 8) != 0) {
      const uint32_t e = posix::ErrorFromErrno(errno);
      ::close(listener_);
      return posix::Fail(e);
    }
    std::thread controls([this] { ServeControls(); });
    serviceMain();
    ::shutdown(listener_, SHUT_RDWR);
    controls.join();
    ::close(listener_);
    ::unlink(address.sun_path);
    WriteState({service::kWin32OwnProcess, service::kStopped, 0});
    return true;
  }

  bool RegisterHandler(const std::u16string&, std::function<void(uint32_t)> handler) override {
    if (listener_ < 0) return posix::Fail(error::kFailedServiceControllerConnect);
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
    return true;
  }

  bool ReportStatus(const ServiceStatus& status) override {
    if (listener_ < 0) return posix::Fail(error::kInvalidHandle);
    {
      std::lock_guard lock(mutex_);
      status_ = status;
    }
    return WriteState(status);
  }

  bool HasConsoleWindow() override { return !GetEnv(kServiceEnv).has_value(); }

 private:
  // "<state> <accepted controls> <pid>", replaced whole.
  bool WriteState(const ServiceStatus& s) {
    const std::string path = folder_ + "/state";
    const std::string temp = path + ".tmp";
    const std::string text = std::to_string(s.state) + " " + std::to_string(s.acceptedControls) + " " +
                             std::to_string(::getpid()) + "\n";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return posix::Fail(posix::ErrorFromErrno(errno));
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok && ::rename(temp.c_str(), path.c_str()) == 0;
  }

  void ServeControls() {
    for (;;) {
      const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        return;  // shut down
      }
      char request[32] = {};
      const ssize_t got = ::recv(fd, request, sizeof request - 1, 0);
      const uint32_t control = got > 0 ? static_cast<uint32_t>(std::strtoul(request, nullptr, 10)) : 0;
      const uint32_t code = Handle(control);
      uint32_t state;
      {
        std::lock_guard lock(mutex_);
        state = status_.state;
      }
      const std::string reply = std::to_string(code) + " " + std::to_string(state);
      ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
      ::close(fd);
    }
  }

  // As the manager would: a control the service does not accept is refused.
  uint32_t Handle(uint32_t control) {
    std::function<void(uint32_t)> handler;
    uint32_t accepted;
    {
      std::lock_guard lock(mutex_);
      handler = handler_;
      accepted = status_.acceptedControls;
    }
    if (control == service::kControlInterrogate) return 0;
    const bool allowed = (control == service::kControlStop && (accepted & service::kAcceptStop)) ||
                         ((control == service::kControlPause || control == service::kControlContinue) &&
                          (accepted & service::kAcceptPauseContinue));
    if (!allowed || !handler) return error::kServiceCannotAcceptControl;
    handler(control);
    return 0;
  }

  std::string folder_;
  int listener_ = -1;
  std::mutex mutex_;
  std::function<void(uint32_t)> handler_;
  ServiceStatus status_{service::kWin32OwnProcess, service::kStartPending, 0};
};

}  // namespace

IServiceManager& SystemServiceManager() {
  static StandInServiceManager manager;
  return manager;
}

}  // namespace vard::platform
