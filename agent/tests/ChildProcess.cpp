#include "agent/tests/ChildProcess.h"

#include <algorithm>
#include <cstdio>

#include "common/platform/CodePage.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/text/Utf.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

namespace vard::testing {

bool ChildProcess::StartSibling(const std::string& program, const std::string& args) {
  const std::u16string folder = platform::ParentPath(platform::ModulePath());
  if (folder.empty()) return false;
#ifdef _WIN32
  // The C runtime's command line is in the ANSI code page.
  const std::string dir = platform::Utf16ToAnsi(folder);
  // cmd /c strips the outer quotes of the whole line.
  const std::string command = "\"\"" + dir + "\\" + program + ".exe\" " + args + "\"";
#else
  std::string dir = Utf16ToUtf8(folder);
  std::replace(dir.begin(), dir.end(), '\\', '/');
  const std::string command = "'" + dir + "/" + program + "' " + args;
#endif
  pipe_ = popen(command.c_str(), "r");
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
#ifdef _WIN32
  return status;
#else
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

}  // namespace vard::testing
