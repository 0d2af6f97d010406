// A page's control in a process of its own, for the hand-off tests: hands
// COUNT items named PREFIX<n> to the agent PROGRAM, then prints "done".
// Usage: handoff_control_child PROGRAM COUNT PREFIX
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/text/Utf.h"
#include "control/AgentLauncher.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  vard::AgentLauncherSetup setup;
  setup.program = vard::Utf8ToUtf16(argv[1]);
  vard::AgentLauncher launcher(std::move(setup));
  vard::AgentHandOffRequest request;
  request.batch = std::vector<vard::DownloadItem>();
  const int count = std::atoi(argv[2]);
  for (int i = 0; i < count; ++i) {
    vard::DownloadItem item;
    item.displayName = vard::Utf8ToUtf16(argv[3]) + vard::AsciiToUtf16(std::to_string(i));
    item.url = u"http://127.0.0.1:9/" + item.displayName;
    item.fileSize = 1000 + i;
    request.batch->push_back(item);
  }
  request.language = u"en";
  launcher.HandOff(request);
  std::printf("done\n");
  return 0;
}
