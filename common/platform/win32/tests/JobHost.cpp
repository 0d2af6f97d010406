// Test helper: a browser's native host as Windows browsers start one, in a
// job that ends every process in it when the job's last handle closes.
//   job_host breakaway|locked MAIN VIEW
// makes that job (letting programs leave it on request, or not), joins it,
// starts window_host MAIN VIEW through the shell start the control uses for
// the agent, prints "started" once its windows answer, and ends, which
// closes the job.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "common/platform/WindowMessenger.h"
#include "common/platform/Process.h"
#include "common/platform/testing/SiblingProcess.h"
#include "common/text/Utf.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (std::strcmp(argv[1], "breakaway") == 0) limits.BasicLimitInformation.LimitFlags |= JOB_OBJECT_LIMIT_BREAKAWAY_OK;
  if (!job || !::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
      !::AssignProcessToJobObject(job, ::GetCurrentProcess())) {
    std::printf("no job: %lu\n", ::GetLastError());
    return 3;
  }
  using namespace vard;
  const std::u16string mainClass = Utf8ToUtf16(argv[2]), viewClass = Utf8ToUtf16(argv[3]);
  const bool started = platform::ShellStartAndWait(
      platform::testing::SiblingProgram(u"window_host"), mainClass + u" " + viewClass, u"",
      [&] { return platform::FindProgramWindow(mainClass).has_value(); }, platform::SystemClock(), 20000);
  std::printf(started ? "started\n" : "not started\n");
  std::fflush(stdout);
  return started ? 0 : 1;
}
