#include <gtest/gtest.h>

#include <atomic>

#include "agent/jobs/KTHTTPThread.h"
#include "agent/settings/AgentSettings.h"
#include "agent/testing/ManualUiThread.h"
#include "agent/testing/MemoryRegistry.h"
#include "agent/testing/NoDialogs.h"
#include "agent/views/AskSaveAsDlgs.h"
#include "agent/views/CloseConfirm.h"
#include "agent/views/ConfigDlg.h"
#include "agent/views/DialogTexts.h"
#include "agent/views/ErrorWaitDlg.h"
#include "agent/views/UiThreadCall.h"
#include "agent/views/UploadRename.h"
#include "agent/views/ViewTexts.h"
#include "common/platform/testing/FakeClock.h"
#include "common/platform/tests/TestFolder.h"
#include "common/respack/LanguagePack.h"
#include "common/respack/LanguageStore.h"
#include "resources/PackImages.h"

namespace vard {
namespace {

using platform::testing::FakeClock;
using vard::testing::ManualUiThread;
using vard::testing::MemoryRegistry;
using vard::testing::NoDialogs;

// Runs until told to stop, polling its flag between "blocks".
class LoopingWorker : public CInternetThreadImpl {
 public:
  using CInternetThreadImpl::CInternetThreadImpl;
  ~LoopingWorker() override { StopAndWait(); }
  std::atomic<int> runs{0};
  std::atomic<bool> inside{false};
  bool endByItself = false;

 protected:
  void Run() override {
    ++runs;
    SendStatus(kStatusRunStart);
    inside = true;
    while (!stop_requested.load() && !endByItself) Clock().Sleep(1);
    SendStatus(kStatusRunEnd);
  }
};

TEST(Worker, StartsOnceStopsCooperativelyAndStartsAgainAfterARunEnded) {
  FakeClock clock;
  EntryList entries;
  NoDialogs dialogs;
  std::string sent;
  std::mutex m;
  LoopingWorker w(entries, dialogs, [&](VARD_THREAD_STATUS s) {
    std::lock_guard<std::mutex> lock(m);
    sent += char('0' + s);
  }, clock);
  EXPECT_EQ(w.part_size, 5242880);
  EXPECT_EQ(w.alive.load(), 1);
  EXPECT_FALSE(w.HasThread());
  w.Start();
  w.Start();  // a second start while running does nothing
  while (!w.inside) std::this_thread::yield();
  EXPECT_TRUE(w.IsRunning());
  w.StopAndWait();
  EXPECT_FALSE(w.IsRunning());
  EXPECT_EQ(w.stop_requested.load(), 0);
  EXPECT_EQ(w.runs.load(), 1);
  EXPECT_EQ(sent, "07");

  // A run that ends by itself clears the running mark; a start replaces it.
  w.endByItself = true;
  w.Start();
  while (w.IsRunning()) std::this_thread::yield();
  EXPECT_TRUE(w.HasThread());
  w.Start();
  w.StopAndWait();
  EXPECT_EQ(w.runs.load(), 3);
}

TEST(Worker, ThePlaceholderJobsStartAndEndTheirRun) {
  FakeClock clock;
  EntryList entries;
  NoDialogs dialogs;
  std::atomic<int> sent{0};
  CKTHTTPThread w(entries, dialogs, [&](VARD_THREAD_STATUS s) { sent = sent * 10 + s; }, clock);
  w.Start();
  w.StopAndWait();
  EXPECT_EQ(sent.load(), 7);
}

TEST(UiThreadCall, TheWorkerNeverWaitsLongerThanItsBoundOrPastItsStop) {
  FakeClock clock;
  ManualUiThread ui(clock);
  UiThreadCall call(ui);
  bool ran = false;
  // Nobody runs the UI thread: the wait ends after 100 ms on the clock.
  const uint64_t before = clock.Elapsed();
  EXPECT_FALSE(call.CallWithin([&] { ran = true; }, 100));
  EXPECT_GE(clock.Elapsed() - before, 100u);
  EXPECT_LT(clock.Elapsed() - before, 120u);
  ui.RunPending();
  EXPECT_TRUE(ran);  // late, but it ran

  std::atomic<uint8_t> stop{0};
  bool cancelled = false;
  clock.At(clock.Elapsed() + 300, [&] { stop = 1; });
  EXPECT_FALSE(call.AskUntil([](std::function<void()>) {}, stop, [&] { cancelled = true; }));
  ui.RunPending();
  EXPECT_TRUE(cancelled);
  // An answer given on the UI thread ends the wait (the UI thread runs
  // 50 ms later, here on the clock of the waiting thread).
  stop = 0;
  clock.At(clock.Elapsed() + 50, [&] { ui.RunPending(); });
  EXPECT_TRUE(call.AskUntil([](std::function<void()> done) { done(); }, stop));
}

TEST(Settings, UnusableValuesReadAsDefaultsAndAreNotWrittenBack) {
  MemoryRegistry reg;
  AgentSettings settings(reg);
  EXPECT_EQ(settings.Retry(AgentMode::kDownload).seconds, 5u);
  EXPECT_EQ(settings.Retry(AgentMode::kDownload).count, 5u);
  EXPECT_EQ(settings.AutoSend(), 208u);
  EXPECT_EQ(settings.SendAfter(), 0u);
  reg.Plant(kAgentSettingsKey, u"KT_RetryNum", uint32_t{0xFFFFFFFF});  // a "negative" count
  reg.Plant(kAgentSettingsKey, u"KT_RetrySec", std::u16string(u"7"));  // wrong type
  reg.Plant(kAgentSettingsKey, u"MW_RetrySec", uint32_t{100});         // out of range
  reg.Plant(kAgentSettingsKey, u"MW_RetryNum", uint32_t{99});
  reg.Plant(kAgentSettingsKey, u"KT_CloseType", uint32_t{7});  // kept: the frame knows it
  EXPECT_EQ(settings.Retry(AgentMode::kDownload).count, 5u);
  EXPECT_EQ(settings.Retry(AgentMode::kDownload).seconds, 5u);
  EXPECT_EQ(settings.Retry(AgentMode::kUpload).seconds, 5u);
  EXPECT_EQ(settings.Retry(AgentMode::kUpload).count, 99u);
  EXPECT_EQ(settings.CloseType(AgentMode::kDownload), 7u);
  EXPECT_EQ(reg.writes, 0);
  // A count of 0 is kept: no retries.
  reg.Plant(kAgentSettingsKey, u"KT_RetryNum", uint32_t{0});
  reg.Plant(kAgentSettingsKey, u"MW_RetryNum", uint32_t{0});
  EXPECT_EQ(settings.Retry(AgentMode::kDownload).count, 0u);
  EXPECT_EQ(settings.Retry(AgentMode::kUpload).count, 0u);

  // SaveFolder: written when missing, left alone when merely unusable.
  EXPECT_EQ(settings.SaveFolder(u"\\docs"), u"\\docs");
  EXPECT_EQ(reg.writes, 1);
  reg.Plant(kAgentSettingsKey, u"SaveFolder", std::u16string(300, u'x'));
  EXPECT_EQ(settings.SaveFolder(u"\\docs"), u"\\docs");
  EXPECT_EQ(std::get<std::u16string>(*reg.Find(kAgentSettingsKey, u"SaveFolder")).size(), 300u);
  // A key that cannot be written: reads still give the defaults.
  MemoryRegistry broken;
  broken.failWrites = true;
  AgentSettings lost(broken);
  EXPECT_EQ(lost.SaveFolder(u"\\docs"), u"\\docs");
  lost.SetRetry(AgentMode::kDownload, {9, 9});
  EXPECT_EQ(lost.Retry(AgentMode::kDownload).count, 5u);
}

TEST(SettingsDialog, ShowsAppliesAndRestoresDefaults) {
  MemoryRegistry reg;
  AgentSettings settings(reg);
  reg.Plant(kAgentSettingsKey, u"MW_CloseType", uint32_t{1});
  reg.Plant(kAgentSettingsKey, u"MW_RetrySec", uint32_t{10});
  CMWConfigDlg dlg(settings);
  EXPECT_TRUE(dlg.Controls().Checked(CConfigDlgBase::kToTray));
  EXPECT_EQ(dlg.Controls().Selection(CConfigDlgBase::kRetrySeconds), 9);
  EXPECT_EQ(dlg.Controls().Selection(CConfigDlgBase::kRetryCount), 4);
  EXPECT_FALSE(dlg.Controls().Enabled(CConfigDlgBase::kApply));
  dlg.OnCommand(CConfigDlgBase::kExit);
  EXPECT_TRUE(dlg.Controls().Enabled(CConfigDlgBase::kApply));
  dlg.OnCommand(CConfigDlgBase::kToTray);  // back to what was read
  EXPECT_FALSE(dlg.Controls().Enabled(CConfigDlgBase::kApply));
  dlg.OnSelect(CConfigDlgBase::kRetryCount, 19);
  dlg.OnCommand(CConfigDlgBase::kApply);
  EXPECT_EQ(std::get<uint32_t>(*reg.Find(kAgentSettingsKey, u"MW_RetryNum")), 20u);
  EXPECT_EQ(std::get<uint32_t>(*reg.Find(kAgentSettingsKey, u"MW_CloseType")), 1u);
  EXPECT_EQ(reg.Find(kAgentSettingsKey, u"KT_RetryNum"), nullptr);
  dlg.OnCommand(CConfigDlgBase::kDefaults);
  EXPECT_TRUE(dlg.Controls().Checked(CConfigDlgBase::kAsk));
  EXPECT_EQ(dlg.Controls().Selection(CConfigDlgBase::kRetrySeconds), 4);
  EXPECT_TRUE(dlg.Controls().Enabled(CConfigDlgBase::kApply));
  dlg.OnCommand(CConfigDlgBase::kCloseButton);  // unapplied changes are dropped
  EXPECT_EQ(dlg.EndCode(), 1030);
  EXPECT_EQ(std::get<uint32_t>(*reg.Find(kAgentSettingsKey, u"MW_RetrySec")), 10u);
}

class LanguageDialogs : public ::testing::TestWithParam<const char16_t*> {
 protected:
  void SetUp() override { LoadAgentLanguageTable(GetParam(), PackImage); }
  void TearDown() override { LanguageStore::Instance().Clear(); }
  bool English() const { return std::u16string(GetParam()) == u"en"; }
};

TEST_P(LanguageDialogs, CloseQuestionRemembersTheTrayAnswer) {
  MemoryRegistry reg;
  AgentSettings settings(reg);
  CCloseConfirm dlg(AgentMode::kUpload, settings);
  EXPECT_EQ(dlg.Controls().Text(CCloseConfirm::kToTray),
            English() ? u"Minimize to Tray(&T)" : u"트레이로 최소화(&T)");
  dlg.OnCommand(CCloseConfirm::kDontAsk);
  dlg.OnCommand(CCloseConfirm::kToTray);
  EXPECT_EQ(dlg.EndCode(), 7);
  EXPECT_EQ(settings.CloseType(AgentMode::kUpload), 1u);
  CCloseConfirm cancel(AgentMode::kDownload, settings);
  cancel.OnCommand(CCloseConfirm::kDontAsk);
  cancel.OnCommand(kIdCancel);
  EXPECT_EQ(reg.Find(kAgentSettingsKey, u"KT_CloseType"), nullptr);
}

TEST_P(LanguageDialogs, DownloadQuestionFillsItsTextsAndHidesResumeWhenNotAllowed) {
  DownloadExistsQuestion q;
  q.targetPath = u"\\nowhere\\report.pdf";
  q.newSize = 1536;
  q.resumeAllowed = false;
  bool asked = false;
  CAskSaveAsDownloadDlg dlg(q, [&](const std::u16string&) {
    asked = true;
    return std::optional<std::u16string>();
  }, nullptr);
  EXPECT_EQ(dlg.Controls().Text(CAskSaveAsBase::kName),
            English() ? u"The 'report.pdf' file already exists in the folder."
                      : u"폴더에 이미 'report.pdf' 파일이 있습니다.");
  EXPECT_EQ(dlg.Controls().Text(CAskSaveAsBase::kNewSize),
            English() ? u"The size of new file is 1.50KB." : u"새로 다운로드 파일의 용량은 1.50KB 입니다.");
  EXPECT_EQ(dlg.Controls().Text(CAskSaveAsBase::kExistingSize), u"0.00KB");  // it cannot be opened
  EXPECT_FALSE(dlg.Controls().Visible(CAskSaveAsBase::kResume));
  EXPECT_EQ(dlg.Buttons(), (std::vector<int>{203, 205, 2}));
  dlg.OnCommand(CAskSaveAsBase::kResume);  // hidden: nothing
  dlg.OnCommand(CAskSaveAsBase::kSaveAs);  // the save dialog was cancelled: still open
  EXPECT_TRUE(asked);
  EXPECT_FALSE(dlg.HasEnded());
  dlg.OnCommand(CAskSaveAsBase::kApplyAll);
  dlg.OnCommand(CAskSaveAsBase::kOverwrite);
  EXPECT_EQ(dlg.Answer().action, 203);
  EXPECT_TRUE(dlg.Answer().applyToAll);
}

TEST_P(LanguageDialogs, DownloadQuestionShowsTheExistingFilesSizeAndTimeFromTheFileSystem) {
  platform::testing::TestFolder dir;
  DownloadExistsQuestion q;
  q.targetPath = dir / u"report.pdf";
  EXPECT_FALSE(LocalFileWriteTime(q.targetPath).has_value());
  {
    platform::File f = platform::File::Open(q.targetPath, platform::access::kWrite, 0,
                                            platform::Disposition::kCreateNew);
    const std::string bytes(2560, 'x');
    uint32_t n = 0;
    ASSERT_TRUE(f.Write(bytes.data(), 2560, &n));
  }
  const int64_t written = platform::FileWriteTime(q.targetPath);
  ASSERT_GT(written, 0);
  CAskSaveAsDownloadDlg dlg(q, nullptr, LocalFileWriteTime);
  EXPECT_EQ(dlg.Controls().Text(CAskSaveAsBase::kExistingSize), u"2.50KB");
  // Local calendar time of the last write, with the suffix of the question.
  EXPECT_EQ(dlg.Controls().Text(CAskSaveAsBase::kExistingTime),
            ModifiedTimeText(platform::LocalCalendarTime(written)) + u" 수정됨");
  EXPECT_NE(dlg.Controls().Text(CAskSaveAsBase::kExistingTime).substr(0, 4), u"0000");
  EXPECT_EQ(dlg.FilePath(), q.targetPath);
}

TEST_P(LanguageDialogs, UploadQuestionRenamesThroughTheRenameDialog) {
  UploadExistsQuestion q;
  q.filePath = u"C:\\in\\a.txt";
  q.existingSize = 1024;
  q.existingTime = {2025, 3, 4, 5, 6, 7, 0};
  std::shared_ptr<CUploadRename> rename;
  CDialogPresenter::EndHandler renameEnd;
  CAskSaveAsDlg dlg(q, [&](std::shared_ptr<CUploadRename> r, CDialogPresenter::EndHandler end) {
    rename = r;
    r->SetEndHandler(end);
  });
  EXPECT_EQ(dlg.Controls().Text(CAskSaveAsBase::kExistingTime),
            ModifiedTimeText(q.existingTime) + (English() ? u" Modified" : u" 수정됨"));
  dlg.OnCommand(CAskSaveAsBase::kSaveAs);
  ASSERT_TRUE(rename);
  EXPECT_EQ(rename->Controls().Text(CUploadRename::kName), u"a.txt");
  rename->OnCommand(kIdCancel);  // the question stays open
  EXPECT_FALSE(dlg.HasEnded());
  dlg.OnCommand(CAskSaveAsBase::kSaveAs);
  EXPECT_EQ(rename->OnEditChange(CUploadRename::kName, u"b:\\c*?.txt"), u"bc.txt");
  rename->OnCommand(CUploadRename::kAutoRename);
  rename->OnCommand(kIdOk);
  ASSERT_TRUE(dlg.HasEnded());
  EXPECT_EQ(dlg.Answer().action, 205);
  EXPECT_EQ(dlg.Answer().rename.name, u"bc.txt");
  EXPECT_EQ(dlg.Answer().rename.choice, rename_choice::kAutoRename);
}

INSTANTIATE_TEST_SUITE_P(BothTables, LanguageDialogs, ::testing::Values(u"en", u"ko"));

TEST(RenameDialog, KeepsAtMost218TypedCharacters) {
  CUploadRename dlg(u"x");
  EXPECT_EQ(dlg.OnEditChange(CUploadRename::kName, std::u16string(300, u'n')).size(), 218u);
  EXPECT_TRUE(dlg.Controls().Checked(CUploadRename::kOverwrite));
  dlg.OnCommand(kIdCancel);
  EXPECT_EQ(dlg.EndCode(), kIdCancel);
  EXPECT_EQ(dlg.Answer().choice, rename_choice::kOverwrite);
}

TEST(Countdown, FiveSecondsShowFiveToZeroAndRetry) {
  FakeClock clock;
  ManualUiThread ui(clock);
  auto dlg = std::make_shared<CErrorWaitDlg>(u"재시도 (%d)", 5);
  std::vector<std::u16string> shown{dlg->Controls().Text(kIdOk)};
  dlg->SetChangeHandler([&] { shown.push_back(dlg->Controls().Text(kIdOk)); });
  dlg->OnOpen(ui);
  for (int i = 0; i < 10 && !dlg->HasEnded(); ++i) {
    clock.Advance(1000);
    ui.RunPending();
  }
  EXPECT_EQ(shown, (std::vector<std::u16string>{u"재시도 (5)", u"재시도 (4)", u"재시도 (3)", u"재시도 (2)",
                                                 u"재시도 (1)", u"재시도 (0)"}));
  EXPECT_EQ(dlg->EndCode(), kIdOk);
  EXPECT_EQ(clock.Elapsed(), 5000u);
  EXPECT_FALSE(ui.HasTimer(0x7000));

  auto stopped = std::make_shared<CErrorWaitDlg>(u"%d", 5);
  stopped->OnOpen(ui);
  clock.Advance(1000);
  ui.RunPending();
  stopped->OnCommand(kIdCancel);
  EXPECT_EQ(stopped->EndCode(), kIdCancel);
  EXPECT_EQ(stopped->SecondsLeft(), 4);
  clock.Advance(10000);
  ui.RunPending();  // its timer is gone
  EXPECT_EQ(stopped->SecondsLeft(), 4);
}

TEST(ViewTexts, RatesSizesAndTimes) {
  EXPECT_EQ(RateText(12.5 * 1024), u"12.50KB / sec");
  EXPECT_EQ(RateText(2000.0 * 1024 * 1024), u"2048000.00KB / sec");  // no thousands separators
  EXPECT_EQ(RateText(0), u"0.00KB / sec");
  EXPECT_EQ(SizeProgressText(512, 3 << 20), u"0.50KB / 3.00MB");
  EXPECT_EQ(TimeLeftText(100 * 3600 * 10, 10), u"100:00:00");
  EXPECT_EQ(TimeLeftText(100, 0), u"00:00:00");
  EXPECT_EQ(ProgressPosition(5, 0), 0);
  EXPECT_EQ(ProgressPosition(1, 3), 333);
  EXPECT_EQ(ProgressPosition(int64_t{1} << 52, int64_t{1} << 53), 500);
}

TEST(DialogTexts, DamagedTemplatesGiveWhatWasReadBeforeTheDamage) {
  LoadAgentLanguageTable(u"en", PackImage);
  auto bytes = LanguageStore::Instance().DialogTemplate(223);
  ASSERT_TRUE(bytes);
  const auto whole = DialogControlTexts(*bytes);
  EXPECT_EQ(whole.at(1002), u"Start");
  EXPECT_EQ(whole.at(207), u"Waiting...");
  for (size_t cut = 0; cut < bytes->size(); cut += 7) {
    const auto part = DialogControlTexts(std::span<const uint8_t>(bytes->data(), cut));
    EXPECT_LE(part.size(), whole.size());
  }
  LanguageStore::Instance().Clear();
}

}  // namespace
}  // namespace vard
