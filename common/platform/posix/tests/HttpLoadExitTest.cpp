// Programs that start the early HTTP load and end at once must not crash
// at exit, on a machine whose cores are busy with other work.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "common/platform/posix/PosixPath.h"
#include "common/platform/testing/SiblingProcess.h"

extern char** environ;

namespace vard {
namespace {

// The exit status of one run, or 128 + the signal that ended it.
int RunOnce(const std::string& program, const char* way, int pauseUs) {
  const std::string pause = std::to_string(pauseUs);
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(way), const_cast<char*>(pause.c_str()),
                  nullptr};
  pid_t pid = 0;
  if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

TEST(HttpLoadExitTest, AThousandEarlyEndingsUnderLoadNeverCrash) {
  const std::string program = platform::posix::ToOsPath(platform::testing::SiblingProgram(u"http_load_exit"));
  std::atomic<bool> done{false};
  std::vector<std::thread> busy;
  for (int i = 0; i < 2; ++i)
    busy.emplace_back([&done] {
      volatile unsigned long n = 0;
      while (!done.load(std::memory_order_relaxed)) n = n + 1;
    });
  // The library starts its TLS stack within a few milliseconds of being
  // loaded: ends 0 to 5 ms after that fall inside it and just after.
  std::vector<std::string> failures;
  for (int run = 0; run < 1000; ++run) {
    const char* way = run % 2 ? "exit" : "return";
    const int pause = (run / 2) % 50 * 100;
    const int code = RunOnce(program, way, pause);
    if (code != 0) failures.push_back(std::string(way) + " " + std::to_string(pause) + " us in: " + std::to_string(code));
  }
  done = true;
  for (auto& t : busy) t.join();
  EXPECT_TRUE(failures.empty()) << failures.size() << " runs failed, the first: " << failures.front();
}

}  // namespace
}  // namespace vard
