#include <stdio.h>
#include <unistd.h>
#include <sys/wait.h>

#include "agent/tests/ChildProcess.h"

namespace vard::testing {

bool ChildProcess::StartSibling(const std::string& program, const std::string& args) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return false;
  std::string dir(self, static_cast<size_t>(n));
  dir = dir.substr(0, dir.rfind('/'));
  pipe_ = popen(("'" + dir + "/" + program + "' " + args).c_str(), "r");
  return pipe_ != nullptr;
}

std::string ChildProcess::ReadLine() {
  std::string line;
  if (!pipe_) return line;
  for (int c; (c = fgetc(pipe_)) != EOF && c != '\n';)
    if (c != '\r') line += static_cast<char>(c);
  return line;
}

int ChildProcess::Wait() {
  if (!pipe_) return -1;
  const int status = pclose(pipe_);
  pipe_ = nullptr;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vard::testing
