// Figures of the agent's real windows: the UI thread's processor time
// while the fake job moves 999 entries at full speed through the download
// view (form, owner-data list, drawn progress cells, tray animation), and
// how many list rectangles were invalidated. Prints the figures; it is not
// a test. Run it with a display (xvfb) so that painting is counted.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>

#include "agent/testing/FakeTransferJob.h"
#include "agent/testing/MemoryRegistry.h"
#include "agent/views/ControlIds.h"
#include "agent/views/MainFrame.h"
#include "agent/win32/WindowsFactories.h"
#include "agent/win32/WindowsTransferView.h"
#include "common/handoff/HandOffWriter.h"
#include "common/handoff/tests/MemoryRegions.h"
#include "common/respack/LanguagePack.h"
#include "common/text/Utf.h"
#include "resources/PackImages.h"

namespace vard {
namespace {

double ThreadCpuMs() {
  FILETIME created, exited, kernel, user;
  ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto value = [](const FILETIME& t) {
    return static_cast<double>(static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime);
  };
  return (value(kernel) + value(user)) / 10000.0;
}

int Run(int entries, int64_t fileSize, uint32_t blockMs, bool windows, double maxMs) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  LoadAgentLanguageTable(u"en", PackImage);
  SetAgentMode(AgentMode::kDownload);
  platform::IClock& clock = platform::SystemClock();

  testing::MemoryRegions mem;
  DownloadHandOff batch;
  for (int i = 0; i < entries; ++i) {
    const std::u16string name = u"file" + AsciiToUtf16(std::to_string(i)) + u".bin";
    batch.records.push_back(MakeDownloadRecord(u"http://h/" + name, u"sub", name, fileSize, 0));
  }
  DownloadHandOffWriter(mem).Write(batch);
  testing::MemoryRegistry registry;
  testing::FakeTransferJob* job = nullptr;
  testing::FakeJobScript script;
  script.blockBytes = 16 * 1024;
  script.blockMs = blockMs;
  MainViewSetup setup;
  setup.mode = AgentMode::kDownload;
  setup.reader.regions = &mem;
  setup.registry = &registry;
  setup.iconIndex = [](const std::u16string&, uint32_t) { return 0; };
  setup.documentsFolder = [] { return std::u16string(u"C:\\users\\Public\\Documents"); };
  setup.makeWorker = testing::FakeJobFactory(script, &job);

  platform::EventLoop loop(clock);
  std::ostringstream console;
  ConsoleViewOptions options;
  options.out = &console;
  CMainFrame frame(loop, std::move(setup), nullptr, options,
                   windows ? agentwin::WindowsFrameWindows() : FrameWindowFactories{});
  if (!frame.Create()) {
    std::printf("no window\n");
    return 1;
  }
  auto* window = dynamic_cast<agentwin::WindowsTransferView*>(frame.TransferWindow());
  // Settle the first paint before measuring.
  for (int i = 0; i < 20; ++i) {
    loop.RunPending();
    ::Sleep(5);
  }
  const uint64_t invalidationsBefore = window ? window->Invalidations() : 0;
  const double cpuBefore = ThreadCpuMs();
  const int64_t start = clock.PerfCounter();
  frame.View().OnCommand(view_id::kStart);
  loop.SetTimer(0x7000, 50, [&] {
    const double ms =
        static_cast<double>(clock.PerfCounter() - start) * 1000.0 / static_cast<double>(clock.PerfFrequency());
    if (!job->IsRunning() || ms >= maxMs) loop.Quit(0);
  });
  loop.Run();
  loop.KillTimer(0x7000);
  const double wallMs =
      static_cast<double>(clock.PerfCounter() - start) * 1000.0 / static_cast<double>(clock.PerfFrequency());
  const double cpuMs = ThreadCpuMs() - cpuBefore;
  job->StopAndWait();
  const double files = static_cast<double>(job->job_bytes_done) / static_cast<double>(fileSize);
  std::printf("%s: %d entries of %.0f KB, blocks of 16 KB every %u ms: %.0f ms, %.0f files (%.0f per second), "
              "%.1f MB/s\n",
              windows ? "windows" : "console view", entries, static_cast<double>(fileSize) / 1024.0, blockMs, wallMs,
              files, files * 1000.0 / wallMs, static_cast<double>(job->job_bytes_done) / 1048.576 / wallMs);
  // The thread's times come in steps of 10 ms or more: a short run gives no share.
  if (wallMs >= 1000) {
    std::printf("UI thread processor time %.1f ms = %.2f %% of one core (goal < 5 %%)\n", cpuMs,
                100.0 * cpuMs / wallMs);
  } else {
    std::printf("UI thread processor time %.1f ms (too short a run for a share)\n", cpuMs);
  }
  if (window) {
    const uint64_t n = window->Invalidations() - invalidationsBefore;
    std::printf("list rectangles invalidated: %llu (%.1f per second)\n", static_cast<unsigned long long>(n),
                static_cast<double>(n) * 1000.0 / wallMs);
  }
  return 0;
}

}  // namespace
}  // namespace vard

int main(int argc, char** argv) {
  // Many small files at a network's pace (16 KB every millisecond: two
  // blocks a file, a few hundred files a second), big files at that pace
  // for 10 s of their run, and a burst at full speed (the job never
  // waits). Arguments pick cases: "console" or "windows"; "small", "big"
  // or "burst"; none of a kind means all of it.
  const std::set<std::string> args(argv + 1, argv + argc);
  const auto wanted = [&](const std::string& word, std::initializer_list<const char*> kind) {
    if (args.count(word)) return true;
    for (const char* other : kind)
      if (args.count(other)) return false;
    return true;
  };
  int rc = 0;
  for (bool windows : {false, true}) {
    if (!wanted(windows ? "windows" : "console", {"console", "windows"})) continue;
    const auto size = {"small", "big", "burst"};
    if (rc == 0 && wanted("small", size)) rc = vard::Run(999, 32 * 1024, 1, windows, 1e9);
    if (rc == 0 && wanted("big", size)) rc = vard::Run(999, 1024 * 1024, 1, windows, 10000);
    if (rc == 0 && wanted("burst", size)) rc = vard::Run(999, 256 * 1024, 0, windows, 1e9);
  }
  return rc;
}
