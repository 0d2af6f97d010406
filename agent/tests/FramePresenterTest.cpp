#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "agent/tests/TransferViewFixture.h"
#include "agent/views/CloseConfirm.h"
#include "agent/views/ConfigDlg.h"
#include "agent/views/FramePresenter.h"

namespace vard::testing {
namespace {

namespace id = view_id;

struct RecordingFrameWindow : IFrameWindow {
  void AddTrayIcon(uint32_t icon, const std::u16string& t) override {
    icons.push_back(icon);
    tip = t;
  }
  void SetTrayIcon(uint32_t icon) override { icons.push_back(icon); }
  void RemoveTrayIcon() override { ++removed; }
  void HideToTray() override { calls += "hide;"; }
  void RestoreFromTray() override { calls += "restore;"; }
  void BringToTop() override { calls += "top;"; }
  void ShowForBatch() override { calls += "show;"; }
  std::optional<int> TrackTrayMenu(const std::u16string& open) override {
    openText = open;
    return menuAnswer;
  }
  std::vector<uint32_t> icons;
  std::u16string tip, openText;
  std::string calls;
  int removed = 0;
  std::optional<int> menuAnswer;
};

class FramePresenterTest : public TransferViewTest {
 protected:
  void MakeFrame(AgentMode mode = AgentMode::kDownload) {
    presenter = std::make_unique<CFramePresenter>(
        mode, *view, ui, [this] { ++destroyed; }, [this](uintptr_t w) { posted.push_back(w); });
    presenter->AttachWindow(win);
    presenter->OnCreate();
  }
  void CloseType(uint32_t value, AgentMode mode = AgentMode::kDownload) {
    AgentSettings(registry).SetCloseType(mode, value);
  }
  CDialogPresenter* OpenDialog() { return view->OpenDialogs().empty() ? nullptr : view->OpenDialogs().back().get(); }
  // Pumps the UI thread until `done` or `seconds` of real time passed.
  bool PumpFor(const std::function<bool()>& done, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      ui.RunPending();
      std::this_thread::yield();
    }
    return true;
  }
  int64_t DoneBytes() {
    CInternetThreadBase::TransferGuard lock(job->TransferLock());
    return job->job_bytes_done;
  }
  void TearDown() override {
    presenter.reset();
    TransferViewTest::TearDown();
  }

  RecordingFrameWindow win;
  std::unique_ptr<CFramePresenter> presenter;
  int destroyed = 0;
  std::vector<uintptr_t> posted;
};

TEST_F(FramePresenterTest, TheCloseSettingDecidesWhatTheCloseBoxDoes) {
  MakeDownload({{u"a.txt", 10}});
  MakeFrame();
  window.dialogAnswers = {0};  // questions stay open

  CloseType(1);  // to the tray; the window stays
  presenter->OnClose(0);
  EXPECT_TRUE(presenter->Hidden());
  EXPECT_EQ(win.calls, "hide;");
  EXPECT_EQ(destroyed, 0);

  CloseType(7);  // above 3: nothing
  presenter->OnClose(0);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(OpenDialog(), nullptr);

  CloseType(3);  // asks, as 0 does
  presenter->OnClose(0);
  ASSERT_NE(OpenDialog(), nullptr);
  EXPECT_EQ(OpenDialog()->TemplateId(), 219u);
  presenter->OnClose(0);  // a second close while asking opens no second question
  EXPECT_EQ(view->OpenDialogs().size(), 1u);
  view->OnCommand(kIdCancel);
  EXPECT_EQ(destroyed, 0);
  EXPECT_FALSE(presenter->Asking());

  CloseType(2);  // exit
  presenter->OnClose(0);
  EXPECT_EQ(destroyed, 1);
}

TEST_F(FramePresenterTest, OnlyTheTrayExitEndsAWindowThatHidesOnClose) {
  MakeDownload({{u"a.txt", 10}});
  MakeFrame();
  CloseType(1);
  presenter->OnClose(0);
  presenter->OnClose(2);  // the system menu's close
  EXPECT_EQ(destroyed, 0);
  presenter->OnTrayCommand(tray_command::kExit);
  ASSERT_EQ(posted, std::vector<uintptr_t>{1});
  presenter->OnClose(posted[0]);  // as the posted WM_CLOSE arrives
  EXPECT_EQ(destroyed, 1);
  presenter->OnClose(0);  // nothing after the end
  EXPECT_EQ(destroyed, 1);
}

TEST_F(FramePresenterTest, TheQuestionsAnswersQuitHideOrRememberTheChoice) {
  MakeDownload({{u"a.txt", 10}});
  MakeFrame();
  window.dialogAnswers = {CCloseConfirm::kDontAsk, CCloseConfirm::kToTray};
  presenter->OnClose(0);
  EXPECT_TRUE(presenter->Hidden());
  EXPECT_EQ(AgentSettings(registry).CloseType(AgentMode::kDownload), 1u);
  presenter->OnClose(0);  // now hides without asking
  EXPECT_EQ(window.shown.size(), 1u);

  CloseType(0);
  window.dialogAnswers = {CCloseConfirm::kQuit};
  presenter->OnClose(0);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(AgentSettings(registry).CloseType(AgentMode::kDownload), 0u);  // not ticked: not stored
}

// The worker stops at its next block while the question is open and the
// UI thread holds no lock meanwhile: a thread that needs the lock (as the
// worker asking the UI thread a question would) gets it.
TEST_F(FramePresenterTest, AskingDuringATransferHoldsTheWorkerCooperatively) {
  FakeJobScript script;
  script.blockBytes = 1000;
  script.blockMs = 5;
  MakeDownload({{u"a.bin", int64_t{1} << 40}}, script);  // never done in this test
  MakeFrame();
  window.dialogAnswers = {0};
  Press(id::kStart);
  ASSERT_TRUE(PumpFor([&] { return DoneBytes() > 0; }, 20));

  presenter->OnClose(0);
  ASSERT_NE(OpenDialog(), nullptr);
  EXPECT_TRUE(PumpFor([&] { return job->WaitingAtPause(); }, 10));
  // Held at its pause, the worker sends nothing more: what the view has now
  // is all there is until the question is answered.
  ui.RunPending();
  const int64_t held = DoneBytes();
  EXPECT_TRUE(job->WaitingAtPause());
  ui.RunPending();
  EXPECT_EQ(DoneBytes(), held);
  bool other = false;
  std::thread([&] {
    if (job->TransferLock().try_lock()) {
      other = true;
      job->TransferLock().unlock();
    }
  }).join();
  EXPECT_TRUE(other);
  EXPECT_TRUE(job->IsRunning());

  view->OnCommand(kIdCancel);
  EXPECT_FALSE(job->PauseRequested());
  EXPECT_TRUE(PumpFor([&] { return DoneBytes() > held + 10000; }, 20));
  EXPECT_EQ(destroyed, 0);
  Press(id::kPause);
  EXPECT_FALSE(job->IsRunning());
}

TEST_F(FramePresenterTest, OnlyTheCloseButtonOfAnUnfinishedRunHoldsTheWorker) {
  FakeJobScript script;
  script.pauseAtJobBytes = 0;
  MakeDownload({{u"a.txt", 10}}, script);
  MakeFrame();
  window.dialogAnswers = {0};
  presenter->OnClose(5);  // not the close box: nothing is held
  EXPECT_FALSE(job->PauseRequested());
  view->OnCommand(kIdCancel);

  Press(id::kStart);
  WaitPaused();
  Press(id::kPause);  // stopped by the user: held while asking
  presenter->OnClose(0);
  EXPECT_TRUE(job->PauseRequested());
  view->OnCommand(kIdCancel);
  EXPECT_FALSE(job->PauseRequested());

  job->Resume();
  Press(id::kStart);
  Finish();
  presenter->OnClose(0);  // finished on its own: nothing to hold
  EXPECT_FALSE(job->PauseRequested());
  view->OnCommand(kIdCancel);
}

// A worker blocked in a network call ignores its stop request; closing
// still ends after the grace period, with its handles closed.
TEST_F(FramePresenterTest, ClosingNeverWaitsWithoutBoundForABlockedWorker) {
  FakeJobScript script;
  script.blockBytes = 1000;
  script.blockAtJobBytes = 2000;
  MakeDownload({{u"a.bin", 100000}}, script);
  MakeFrame();
  Press(id::kStart);
  ASSERT_TRUE(ui.PumpUntil([&] { return job->Blocked(); }));
  const uint64_t start = clock.Elapsed();

  auto closing = std::async(std::launch::async, [&] { presenter->OnClose(1); });
  if (closing.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    job->Unblock();
    closing.wait();
    FAIL() << "closing waited for the blocked worker";
  }
  EXPECT_EQ(destroyed, 1);
  EXPECT_TRUE(job->Aborted());
  // The fake clock's grace passes at once; the broken call returns in real time.
  EXPECT_TRUE(PumpFor([&] { return !job->IsRunning(); }, 10));
  EXPECT_GE(clock.Elapsed() - start, CFramePresenter::kStopGraceMs);
}

TEST_F(FramePresenterTest, TheTrayIconCyclesEvery300MsWhileRunningAndRests) {
  MakeDownload({{u"a.txt", 10}});
  MakeFrame();
  EXPECT_EQ(win.icons, std::vector<uint32_t>{206});
  EXPECT_EQ(win.tip, u"VardKT+");
  presenter->SetTransferRunning(true);
  presenter->SetTransferRunning(true);  // a second start does not restart the cycle
  for (int i = 0; i < 4; ++i) {
    clock.Advance(299);
    ui.RunPending();
    clock.Advance(1);
    ui.RunPending();
  }
  EXPECT_EQ(win.icons, (std::vector<uint32_t>{206, 206, 207, 208, 206}));
  presenter->SetTransferRunning(false);
  EXPECT_EQ(presenter->TrayIcon(), 206u);
  EXPECT_FALSE(ui.HasTimer(CFramePresenter::kAnimationTimer));
  presenter->SetTransferRunning(true);  // starts again from the first icon
  clock.Advance(300);
  ui.RunPending();
  EXPECT_EQ(win.icons.back(), 206u);
  presenter->OnDestroy();
  EXPECT_EQ(win.removed, 1);
  EXPECT_FALSE(ui.HasTimer(CFramePresenter::kAnimationTimer));
}

TEST_F(FramePresenterTest, UploadModeHasItsOwnIconsTextsAndSettings) {
  Make(AgentMode::kUpload);
  view->OnCreate();
  MakeFrame(AgentMode::kUpload);
  presenter->SetTransferRunning(true);
  for (int i = 0; i < 3; ++i) {
    clock.Advance(300);
    ui.RunPending();
  }
  EXPECT_EQ(win.icons, (std::vector<uint32_t>{204, 204, 205, 203}));
  presenter->SetTransferRunning(false);
  EXPECT_EQ(win.icons.back(), 204u);

  window.dialogAnswers = {0};
  win.menuAnswer = tray_command::kSettings;
  presenter->OnTrayNotify(kTrayRightButtonUp);
  EXPECT_EQ(win.openText, u"업로드 창열기");
  ASSERT_NE(OpenDialog(), nullptr);
  EXPECT_NE(dynamic_cast<CMWConfigDlg*>(OpenDialog()), nullptr);
  // The upload close setting is its own.
  CloseType(1, AgentMode::kUpload);
  view->OnCommand(CConfigDlgBase::kCloseButton);
  presenter->OnClose(0);
  EXPECT_TRUE(presenter->Hidden());
}

TEST_F(FramePresenterTest, TheTrayMenuAndDoubleClickHideRestoreAndRaise) {
  MakeDownload({{u"a.txt", 10}});
  MakeFrame();
  presenter->OnTrayNotify(kTrayDoubleClick);  // visible: to the top, nothing else
  EXPECT_EQ(win.calls, "top;");
  EXPECT_FALSE(presenter->Hidden());

  win.menuAnswer = tray_command::kHide;
  presenter->OnTrayNotify(kTrayRightButtonUp);
  EXPECT_EQ(win.openText, u"다운로드 창열기");
  EXPECT_TRUE(presenter->Hidden());
  presenter->OnTrayNotify(kTrayDoubleClick);
  EXPECT_FALSE(presenter->Hidden());
  win.menuAnswer = std::nullopt;  // dismissed
  presenter->OnTrayNotify(kTrayRightButtonUp);
  presenter->OnTrayNotify(0x0200);  // a mouse move
  presenter->OnTrayCommand(tray_command::kHide);
  presenter->OnTrayCommand(tray_command::kOpen);
  EXPECT_EQ(win.calls, "top;hide;restore;hide;restore;");

  window.dialogAnswers = {0};
  presenter->OnTrayCommand(tray_command::kSettings);
  ASSERT_NE(OpenDialog(), nullptr);
  EXPECT_EQ(OpenDialog()->TemplateId(), 227u);
  EXPECT_EQ(presenter->JsonMembers(), "\"hidden\":false,\"tray_icon\":206,\"animating\":false,\"asking\":false");
}

}  // namespace
}  // namespace vard::testing
