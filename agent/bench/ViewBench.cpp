// Figures of the transfer view: a hand-off of 999 entries read, saved and
// shown; and the UI thread's load while the fake job moves 999 small files
// at a network's pace and at full speed (busy share of one core, the
// longest timer refresh). Prints the figures; it is not a test.
#include <cstdio>
#include <sstream>

#include "agent/testing/FakeTransferJob.h"
#include "agent/testing/ManualUiThread.h"
#include "agent/testing/MemoryRegistry.h"
#include "agent/views/ConsoleTransferView.h"
#include "agent/views/ControlIds.h"
#include "agent/views/MainView.h"
#include "common/handoff/HandOffWriter.h"
#include "common/handoff/SavedDownloads.h"
#include "common/handoff/tests/MemoryRegions.h"
#include "common/platform/Clock.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/FileSystem.h"
#include "common/respack/LanguagePack.h"
#include "common/text/Utf.h"
#include "resources/PackImages.h"

namespace vard {
namespace {

struct NullFrame : IViewFrame {
  void SetCaption(const std::u16string&) override {}
  void ShowForBatch() override {}
  void ShowMessage(const std::u16string&, const std::u16string&) override {}
};

double Ms(platform::IClock& clock, int64_t ticks) {
  return static_cast<double>(ticks) * 1000.0 / static_cast<double>(clock.PerfFrequency());
}

// The fake job through `entries` files of `fileSize` bytes, 16 KB blocks
// every `blockMs` (0: full speed), with the live console view.
void RunJob(int entries, int64_t fileSize, uint32_t blockMs) {
  platform::IClock& clock = platform::SystemClock();
  testing::MemoryRegions mem;
  DownloadHandOff batch;
  for (int i = 0; i < entries; ++i) {
    const std::u16string name = u"file" + AsciiToUtf16(std::to_string(i)) + u".bin";
    batch.records.push_back(MakeDownloadRecord(u"http://h/" + name, u"sub", name, fileSize, 0));
  }
  DownloadHandOffWriter(mem).Write(batch);
  testing::ManualUiThread ui(clock);
  testing::MemoryRegistry registry;
  NullFrame frame;
  testing::FakeTransferJob* job = nullptr;
  testing::FakeJobScript script;
  script.blockBytes = 16 * 1024;
  script.blockMs = blockMs;
  MainViewSetup setup;
  setup.mode = AgentMode::kDownload;
  setup.reader.regions = &mem;
  setup.registry = &registry;
  setup.documentsFolder = [] { return std::u16string(u"\\docs"); };
  setup.makeWorker = testing::FakeJobFactory(script, &job);
  auto view = CMainView::Create(frame, ui, setup);
  std::ostringstream out;
  ConsoleViewOptions console;
  console.out = &out;
  console.live = true;
  ConsoleTransferView window(*view, ui, console);
  view->AttachWindow(&window);
  view->OnCreate();

  const auto before = ui.Measured();
  const int64_t runStart = clock.PerfCounter();
  view->OnCommand(view_id::kStart);
  // The loop of a UI thread: work when there is some, otherwise wait.
  while (job->IsRunning() || ui.RunPending()) {
    if (!ui.RunPending()) clock.Sleep(1);
  }
  ui.RunPending();
  const double wallMs = Ms(clock, clock.PerfCounter() - runStart);
  const auto load = ui.Measured();
  const double busyMs = Ms(clock, load.busyTicks - before.busyTicks);
  std::printf("fake job through %d entries of %.0f KB, blocks of 16 KB every %u ms: %.0f ms (%.0f files per second)\n",
              entries, static_cast<double>(fileSize) / 1024.0, blockMs, wallMs, entries * 1000.0 / wallMs);
  std::printf("UI thread busy %.1f ms = %.2f %% of one core (goal < 5 %%), %zu tasks\n", busyMs,
              100.0 * busyMs / wallMs, load.tasks - before.tasks);
  std::printf("timer refreshes: %zu, longest %.3f ms (goal < 2 ms), mean %.3f ms\n", load.timerCalls,
              Ms(clock, load.longestTimerTicks),
              load.timerCalls ? Ms(clock, load.timerTicks) / static_cast<double>(load.timerCalls) : 0.0);
  std::printf("done %lld of %lld bytes\n", static_cast<long long>(job->job_bytes_done),
              static_cast<long long>(job->job_total));
}

int Run() {
  platform::IClock& clock = platform::SystemClock();
  LoadAgentLanguageTable(u"en", PackImage);
  const std::u16string saved = platform::TempFolder() + u"vard_view_bench_kt_save.dat";
  ResetSavedDownloads(saved);

  testing::MemoryRegions mem;
  DownloadHandOffWriter writer(mem);
  DownloadHandOff batch;
  constexpr int kEntries = 999;
  constexpr int64_t kFileSize = 256 * 1024;
  for (int i = 0; i < kEntries; ++i) {
    const std::u16string name = u"file" + AsciiToUtf16(std::to_string(i)) + u".bin";
    batch.records.push_back(MakeDownloadRecord(u"http://h/" + name, u"sub", name, kFileSize, 0));
  }
  writer.Write(batch);

  testing::ManualUiThread ui(clock);
  testing::MemoryRegistry registry;
  NullFrame frame;
  testing::FakeTransferJob* job = nullptr;
  testing::FakeJobScript script;
  script.blockBytes = 16 * 1024;
  MainViewSetup setup;
  setup.mode = AgentMode::kDownload;
  setup.reader.regions = &mem;
  setup.reader.saved_downloads_path = saved;
  setup.registry = &registry;
  setup.documentsFolder = [] { return std::u16string(u"\\docs"); };
  setup.makeWorker = testing::FakeJobFactory(script, &job);
  auto view = CMainView::Create(frame, ui, setup);
  std::ostringstream out;
  ConsoleViewOptions console;
  console.out = &out;
  console.live = true;
  ConsoleTransferView window(*view, ui, console);
  view->AttachWindow(&window);

  const int64_t readStart = clock.PerfCounter();
  view->OnCreate();  // reads the hand-off, saves every record, shows the list
  const double readMs = Ms(clock, clock.PerfCounter() - readStart);
  std::printf("hand-off of %zu entries read, saved (%d pending) and shown: %.2f ms (goal < 50 ms)\n",
              view->Entries().size(), SavedFileCount(saved), readMs);
  {
    // For comparison: only making as many list entries in fresh memory.
    EntryList fresh;
    const COOKIE_INFO cookie{};
    const int64_t start = clock.PerfCounter();
    for (const auto& record : batch.records)
      fresh.push_back(std::make_shared<CDownloadFile>(record, cookie, ReadField(record.file_name), 0));
    std::printf("  of which making %zu entries of %zu bytes each alone takes %.2f ms\n", fresh.size(),
                sizeof(CDownloadFile), Ms(clock, clock.PerfCounter() - start));
  }

  view.reset();
  ResetSavedDownloads(saved);
  // Many small files at a network's pace (two blocks a file), then a burst
  // at full speed.
  RunJob(kEntries, 32 * 1024, 1);
  RunJob(kEntries, kFileSize, 0);
  return 0;
}

}  // namespace
}  // namespace vard

int main() { return vard::Run(); }
