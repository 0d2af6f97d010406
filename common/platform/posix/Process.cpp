#include "common/platform/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

#include "common/platform/FileSystem.h"
#include "common/platform/posix/PosixPath.h"
#include "common/text/Utf.h"

extern char** environ;

namespace vard::platform {
namespace {

pid_t Spawn(const std::u16string& program, const std::vector<std::u16string>& args) {
  std::vector<std::string> strings;
  strings.push_back(posix::ToOsPath(program));
  for (const auto& a : args) strings.push_back(Utf16ToUtf8(a));
  std::vector<char*> argv;
  for (auto& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    SetLastErrorCode(posix::ErrorFromErrno(rc));
    return -1;
  }
  return pid;
}

}  // namespace

ChildProcess::~ChildProcess() = default;
ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : native_(std::exchange(other.native_, -1)), reaped_(other.reaped_), exitCode_(other.exitCode_) {}
ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  native_ = std::exchange(other.native_, -1);
  reaped_ = other.reaped_;
  exitCode_ = other.exitCode_;
  return *this;
}

ChildProcess ChildProcess::Start(const std::u16string& program, const std::vector<std::u16string>& args) {
  ChildProcess child;
  const pid_t pid = Spawn(program, args);
  if (pid > 0) child.native_ = pid;
  return child;
}

bool ChildProcess::Wait(uint32_t timeoutMs, int* exitCode) {
  if (!IsValid()) return false;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!reaped_) {
    int st = 0;
    const pid_t r = ::waitpid(static_cast<pid_t>(native_), &st, WNOHANG);
    if (r == static_cast<pid_t>(native_)) {
      reaped_ = true;
      exitCode_ = WIFEXITED(st) ? static_cast<int8_t>(WEXITSTATUS(st)) : -WTERMSIG(st);
      break;
    }
    if (r < 0 || std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (exitCode) *exitCode = exitCode_;
  return true;
}

void ChildProcess::Kill() {
  if (IsValid() && !reaped_) ::kill(static_cast<pid_t>(native_), SIGKILL);
}

bool ShellStartAndWait(const std::u16string& program, const std::u16string& parameters,
                       const std::u16string& verb, const std::function<bool()>& ready) {
  (void)verb;  // no elevation on POSIX; the program runs as the caller
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
  // Wait until ready, or give up when the child has ended.
  bool exited = false;
  while (!(ready && ready())) {
    int st = 0;
    if (::waitpid(pid, &st, WNOHANG) == pid) {
      exited = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // Reap it later so a long-lived child never stays a zombie of ours.
  if (!exited) std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  return true;
}

}  // namespace vard::platform
