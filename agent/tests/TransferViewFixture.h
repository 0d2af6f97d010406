#pragma once
// A transfer view with the fake job, a UI thread the test pumps, a fake
// clock, an in-memory registry and a recording window.
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "agent/testing/FakeTransferJob.h"
#include "agent/testing/ManualUiThread.h"
#include "agent/testing/MemoryRegistry.h"
#include "agent/testing/RecordingWindow.h"
#include "agent/views/ControlIds.h"
#include "agent/views/DownloadView.h"
#include "common/handoff/AgentNames.h"
#include "common/handoff/HandOffWriter.h"
#include "common/handoff/tests/MemoryRegions.h"
#include "common/platform/testing/FakeClock.h"
#include "common/platform/tests/TestFolder.h"
#include "common/respack/LanguagePack.h"
#include "common/respack/LanguageStore.h"
#include "resources/PackImages.h"

namespace vard::testing {

struct RecordingFrame : IViewFrame {
  void SetCaption(const std::u16string& c) override { caption = c; }
  void ShowForBatch() override { ++shows; }
  void ShowMessage(const std::u16string&, const std::u16string&) override {}
  void SetTransferRunning(bool r) override { running.push_back(r); }
  void PostClose(uintptr_t w) override { closes.push_back(w); }
  std::u16string caption;
  int shows = 0;
  std::vector<bool> running;
  std::vector<uintptr_t> closes;
};

class TransferViewTest : public ::testing::Test {
 protected:
  void SetUp() override { Language(u"en"); }
  void TearDown() override {
    view.reset();
    LanguageStore::Instance().Clear();
  }
  static void Language(const char16_t* lang) { LoadAgentLanguageTable(lang, PackImage); }

  void Make(AgentMode mode, FakeJobScript script = {}) {
    MainViewSetup s;
    s.mode = mode;
    s.reader.regions = &mem;
    s.reader.saved_downloads_path = SavedPath();
    s.registry = &registry;
    s.documentsFolder = [] { return std::u16string(u"\\docs"); };
    s.shellOpen = [this](const std::u16string& p) {
      opened.push_back(p);
      return openSucceeds;
    };
    s.isFolder = [this](const std::u16string& p) { return p.find(u"nofolder") == std::u16string::npos; };
    s.errorText = [](uint32_t code) { return u"error " + std::u16string(1, char16_t(u'0' + code % 10)) + u"\r\n"; };
    s.makeWorker = FakeJobFactory(std::move(script), &job);
    view = CMainView::Create(frame, ui, std::move(s));
    view->AttachWindow(&window);
  }
  // A download batch of (name, size) pairs, each with its own URL.
  void Hand(std::vector<std::pair<std::u16string, int64_t>> files) {
    DownloadHandOff b;
    for (const auto& [name, size] : files) b.records.push_back(MakeDownloadRecord(u"http://h/" + name, u"sub", name, size, 0));
    writer.Write(b);
  }
  void MakeDownload(std::vector<std::pair<std::u16string, int64_t>> files, FakeJobScript script = {}) {
    Hand(std::move(files));
    Make(AgentMode::kDownload, std::move(script));
    view->OnCreate();
  }
  std::u16string SavedPath() { return dir / u"kt_save.dat"; }

  void Press(int id) {
    view->OnCommand(id);
    ui.RunPending();
  }
  // Runs the UI thread until the worker's run is over and its notices are in.
  void Finish() {
    ASSERT_TRUE(ui.PumpUntil([&] { return !job->IsRunning(); }));
    ui.RunPending();
  }
  void WaitPaused() { ASSERT_TRUE(ui.PumpUntil([&] { return job->Paused(); })); }
  void Select(std::initializer_list<size_t> rows) {
    for (size_t i = 0; i < view->Entries().size(); ++i) view->SetSelected(i, false);
    for (size_t r : rows) view->SetSelected(r, true);
  }
  std::u16string Row(size_t i, int column) {
    CInternetThreadBase::TransferGuard lock(job->TransferLock());
    return view->Entries()[i]->Text(column);
  }
  int32_t Status(size_t i) {
    CInternetThreadBase::TransferGuard lock(job->TransferLock());
    return view->Entries()[i]->status;
  }
  std::u16string Form(int id) { return view->Form().Text(id); }

  platform::testing::TestFolder dir;
  ::vard::testing::MemoryRegions mem;
  DownloadHandOffWriter writer{mem};
  platform::testing::FakeClock clock;
  ManualUiThread ui{clock};
  MemoryRegistry registry;
  RecordingWindow window;
  RecordingFrame frame;
  std::unique_ptr<CMainView> view;
  FakeTransferJob* job = nullptr;
  std::vector<std::u16string> opened;
  bool openSucceeds = true;
};

}  // namespace vard::testing
