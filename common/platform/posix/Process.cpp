#include "common/platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

#include "common/platform/FileSystem.h"
#include "common/platform/posix/PosixPath.h"
#include "common/text/Utf.h"

extern char** environ;

namespace vard::platform {
namespace {

// `outputFd` >= 0 becomes the child's standard output and error.
pid_t Spawn(const std::u16string& program, const std::vector<std::u16string>& args, int outputFd = -1) {
  std::vector<std::string> strings;
  strings.push_back(posix::ToOsPath(program));
  for (const auto& a : args) strings.push_back(Utf16ToUtf8(a));
  std::vector<char*> argv;
  for (auto& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (outputFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDERR_FILENO);
  }
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    SetLastErrorCode(posix::ErrorFromErrno(rc));
    return -1;
  }
  return pid;
}

// Reaps `pid` if it ended; *ended tells whether it did.
bool Reap(pid_t pid, int* exitCode, bool* ended) {
  int st = 0;
  const pid_t r = ::waitpid(pid, &st, WNOHANG);
  *ended = r == pid;
  if (*ended && exitCode) *exitCode = WIFEXITED(st) ? static_cast<int8_t>(WEXITSTATUS(st)) : -WTERMSIG(st);
  return r >= 0;
}

}  // namespace

void ChildProcess::CloseHandles() {
  if (output_ >= 0) ::close(static_cast<int>(output_));
  output_ = -1;
}

ChildProcess::~ChildProcess() { CloseHandles(); }
ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : native_(std::exchange(other.native_, -1)),
      output_(std::exchange(other.output_, -1)),
      reaped_(other.reaped_),
      exitCode_(other.exitCode_) {}
ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    CloseHandles();
    native_ = std::exchange(other.native_, -1);
    output_ = std::exchange(other.output_, -1);
    reaped_ = other.reaped_;
    exitCode_ = other.exitCode_;
  }
  return *this;
}

ChildProcess ChildProcess::Start(const std::u16string& program, const std::vector<std::u16string>& args,
                                 bool captureOutput) {
  ChildProcess child;
  int fds[2] = {-1, -1};
  if (captureOutput && ::pipe2(fds, O_CLOEXEC) != 0) {
    SetLastErrorCode(posix::ErrorFromErrno(errno));
    return child;
  }
  const pid_t pid = Spawn(program, args, fds[1]);
  if (fds[1] >= 0) ::close(fds[1]);  // the child holds its own copy
  if (pid <= 0) {
    if (fds[0] >= 0) ::close(fds[0]);
    return child;
  }
  child.native_ = pid;
  child.output_ = fds[0];
  return child;
}

bool ChildProcess::Wait(uint32_t timeoutMs, int* exitCode, IClock& clock) {
  if (!IsValid()) return false;
  bool failed = false;
  const bool ended = reaped_ || clock.WaitUntil(
                                    [&] {
                                      bool done = false;
                                      failed = !Reap(static_cast<pid_t>(native_), &exitCode_, &done);
                                      return done || failed;
                                    },
                                    timeoutMs, 5);
  if (!ended || failed) return false;
  reaped_ = true;
  if (exitCode) *exitCode = exitCode_;
  return true;
}

void ChildProcess::Kill() {
  if (IsValid() && !reaped_) ::kill(static_cast<pid_t>(native_), SIGKILL);
}

bool ChildProcess::ReadOutput(void* buffer, uint32_t size, uint32_t* got) {
  *got = 0;
  if (output_ < 0) return posix::Fail(error::kInvalidHandle);
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(output_), buffer, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return posix::Fail(posix::ErrorFromErrno(errno));
    if (n == 0) return posix::Fail(error::kBrokenPipe);
    *got = static_cast<uint32_t>(n);
    return true;
  }
}

bool ShellStartAndWait(const std::u16string& program, const std::u16string& parameters, const std::u16string& verb,
                       const std::function<bool()>& ready, IClock& clock, uint32_t timeoutMs, StartShow show) {
  (void)verb;  // no elevation on POSIX; the program runs as the caller
  (void)show;  // no display
  std::vector<std::u16string> args;
  size_t start = 0;
  while (start <= parameters.size()) {
    const size_t blank = parameters.find(u' ', start);
    const size_t end = blank == std::u16string::npos ? parameters.size() : blank;
    if (end > start) args.push_back(parameters.substr(start, end - start));
    if (blank == std::u16string::npos) break;
    start = blank + 1;
  }
  const pid_t pid = Spawn(program, args);
  if (pid <= 0) return false;
  // Wait until ready, or give up when the child has ended or the time is up.
  bool exited = false;
  clock.WaitUntil(
      [&] {
        if (ready && ready()) return true;
        int code = 0;
        const bool known = Reap(pid, &code, &exited);
        return exited || !known;  // a child we cannot ask about is not waited for
      },
      timeoutMs, kStartPollMs);
  // Reap it later so a long-lived child never stays a zombie of ours.
  if (!exited) std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  return true;
}

std::u16string ExecutableFileName(const std::u16string& base) { return base; }

}  // namespace vard::platform
