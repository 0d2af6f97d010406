#include <windows.h>

#include <cstdio>

#include "agent/tests/ChildProcess.h"

namespace vard::testing {

bool ChildProcess::StartSibling(const std::string& program, const std::string& args) {
  char self[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (n == 0) return false;
  std::string dir(self, n);
  dir = dir.substr(0, dir.rfind('\\'));
  // cmd /c strips the outer quotes of the whole line.
  pipe_ = _popen(("\"\"" + dir + "\\" + program + ".exe\" " + args + "\"").c_str(), "r");
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
  const int status = _pclose(pipe_);
  pipe_ = nullptr;
  return status;
}

}  // namespace vard::testing
