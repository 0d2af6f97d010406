// Benchmark (not a test): the agent's cold start (spawn until its view
// window answers) and StartPlusDownload of 999 items to a running agent
// until its list holds all of them. Prints the figures.
// Usage: handoff_bench [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/handoff/AgentNames.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Process.h"
#include "common/platform/WindowMessenger.h"
#include "common/text/Utf.h"
#include "control/AgentLauncher.h"

namespace {

using Clock = std::chrono::steady_clock;
using vard::platform::SystemClock;

double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

std::u16string AgentProgram() {
  std::u16string path = vard::Utf8ToUtf16(VARD_AGENT_PROGRAM);
  std::replace(path.begin(), path.end(), u'/', u'\\');
  return path;
}

void EndAgent() {
  if (auto main = vard::platform::FindProgramWindow(vard::kDownloadMainClass)) vard::platform::PostClose(*main, 1);
  SystemClock().WaitUntil([] { return !vard::platform::NamedMutex::Exists(vard::kDownloadAgentMutex); }, 10000, 1);
}

// Entries the view lists, from its dump; -1 where there is no dump.
int Listed() {
  std::string dump;
  if (!vard::platform::WindowRequest(vard::kDownloadViewClass, "dump", &dump)) return -1;
  int n = 0;
  for (size_t at = dump.find("\"name\":"); at != std::string::npos; at = dump.find("\"name\":", at + 1)) ++n;
  return n;
}

void Report(const char* what, std::vector<double> ms, double target) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-44s median %8.1f ms  best %8.1f ms  worst %8.1f ms  (target < %.0f ms)\n", what, ms[ms.size() / 2],
              ms.front(), ms.back(), target);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  EndAgent();
  std::vector<double> cold, handOff, dumpOnly;
  for (int r = 0; r < rounds; ++r) {
    const auto start = Clock::now();
    vard::platform::ChildProcess agent = vard::platform::ChildProcess::Start(AgentProgram(), {u"-Mdownload"});
    if (!agent.IsValid()) return std::printf("cannot start the agent\n"), 1;
    SystemClock().WaitUntil(
        [] {
          const auto main = vard::platform::FindProgramWindow(vard::kDownloadMainClass);
          return main && vard::platform::FindProgramWindow(vard::kDownloadViewClass, &*main).has_value();
        },
        10000, 1);
    cold.push_back(Ms(start));

    vard::AgentLauncherSetup setup;
    setup.program = AgentProgram();
    vard::AgentLauncher launcher(std::move(setup));
    vard::AgentHandOffRequest request;
    request.batch = std::vector<vard::DownloadItem>();
    for (int i = 0; i < 999; ++i) {
      vard::DownloadItem item;
      item.displayName = u"file" + vard::AsciiToUtf16(std::to_string(i)) + u".bin";
      item.url = u"http://127.0.0.1:9/" + item.displayName;
      item.fileSize = i;
      request.batch->push_back(item);
    }
    const auto handStart = Clock::now();
    launcher.HandOff(request);
    const double handed = Ms(handStart);
    const int listed = Listed();
    handOff.push_back(Ms(handStart));
    dumpOnly.push_back(handOff.back() - handed);
    if (listed >= 0 && listed != 999) std::printf("round %d: the agent lists %d entries, not 999\n", r, listed);
    EndAgent();
    int code = 0;
    agent.Wait(10000, &code);
  }
  Report("agent cold start (spawn to window answering)", cold, 200);
  Report("999 items handed over until listed", handOff, 300);
  Report("  of which the dump of 999 rows", dumpOnly, 300);
  return 0;
}
