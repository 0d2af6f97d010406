#include <gtest/gtest.h>

#include "agent/tests/TransferViewFixture.h"
#include "agent/views/ErrorWaitDlg.h"
#include "agent/views/AskSaveAsDlgs.h"
#include "common/handoff/SavedDownloads.h"

namespace vard::testing {
namespace {

namespace id = view_id;

TEST_F(TransferViewTest, ARunTakesEveryEntryThroughItsStatusesAndFillsTheTotals) {
  MakeDownload({{u"a.txt", 100000}, {u"b.txt", 300000}, {u"empty.txt", 0}});
  EXPECT_EQ(Row(0, 3), u"Wait");
  EXPECT_TRUE(view->Form().Enabled(id::kStart));
  EXPECT_FALSE(view->Form().Enabled(id::kPause));
  EXPECT_EQ(Form(id::kSizeText), u"0.00KB / 390.62KB");
  EXPECT_EQ(view->Progress(), 0);

  view->OnCommand(id::kStart);  // the buttons swap before any notice arrives
  EXPECT_FALSE(view->Form().Enabled(id::kStart));
  EXPECT_TRUE(view->Form().Enabled(id::kPause));
  Finish();

  EXPECT_EQ(job->SentStatuses(), "03434347");
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(Row(i, 3), u"Done") << i;
  EXPECT_EQ(view->Progress(), 1000);
  EXPECT_EQ(Form(id::kSizeText), u"390.62KB / 390.62KB");
  EXPECT_EQ(Form(id::kCurrentFile), u"empty.txt");
  EXPECT_EQ(Form(id::kFileCount), u"Files : 3 / 3 (0.00KB / 390.62KB)");
  EXPECT_EQ(job->index, 0);  // a run that ended by itself
  EXPECT_TRUE(view->Form().Enabled(id::kStart));
  EXPECT_FALSE(view->Form().Enabled(id::kPause));
  EXPECT_TRUE(view->Finished());
  EXPECT_EQ(frame.running, (std::vector<bool>{true, false}));
  EXPECT_FALSE(ui.HasTimer(kFastRefreshTimer));
  EXPECT_FALSE(ui.HasTimer(kSlowRefreshTimer));
  EXPECT_TRUE(opened.empty());  // "Open Folder" was not ticked
  EXPECT_TRUE(frame.closes.empty());
}

TEST_F(TransferViewTest, ACompleteFinishOpensTheFolderAndClosesWhenTicked) {
  registry.Plant(kAgentSettingsKey, u"Config_SendAfter", uint32_t{0x11});
  registry.Plant(kAgentSettingsKey, u"SaveFolder", std::u16string(u"\\dl"));
  MakeDownload({{u"a.txt", 10}});
  EXPECT_TRUE(view->Form().Checked(id::kOpenFolder));
  EXPECT_TRUE(view->Form().Checked(id::kCloseAfter));
  Press(id::kStart);
  Finish();
  EXPECT_EQ(opened, std::vector<std::u16string>{u"\\dl"});
  EXPECT_EQ(frame.closes, std::vector<uintptr_t>{1});
}

TEST_F(TransferViewTest, AFailedEntryLeavesTheCountersApartAndNothingOpens) {
  FakeJobScript script;
  script.failAt[u"b.txt"] = 500;
  registry.Plant(kAgentSettingsKey, u"Config_SendAfter", uint32_t{0x11});
  MakeDownload({{u"a.txt", 1000}, {u"b.txt", 1000}, {u"c.txt", 1000}}, script);
  Press(id::kStart);
  Finish();
  EXPECT_EQ(Status(0), entry_status::kDone);
  EXPECT_EQ(Status(1), entry_status::kFailed);
  EXPECT_EQ(Row(1, 3), u"Failed");
  EXPECT_EQ(Status(2), entry_status::kDone);
  EXPECT_EQ(view->Progress(), 833);
  EXPECT_EQ(job->index, 0);
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(frame.closes.empty());
}

TEST_F(TransferViewTest, ZeroTotalsShowNoProgressAndEmptyEntriesShowDoneAsFull) {
  MakeDownload({{u"a.txt", 0}, {u"b.txt", 0}});
  EXPECT_EQ(view->Entries()[0]->Percent(3), 0);
  Press(id::kStart);
  Finish();
  EXPECT_EQ(view->Progress(), 0);
  EXPECT_EQ(view->Entries()[0]->Percent(3), 100);
  EXPECT_EQ(Form(id::kSizeText), u"0.00KB / 0.00KB");
  EXPECT_EQ(Form(id::kRate), u"0.00KB / sec");
}

TEST_F(TransferViewTest, StopThenStartContinuesAtTheStoppedEntry) {
  FakeJobScript script;
  script.blockBytes = 100;
  script.pauseAtJobBytes = 1500;  // half way through b.txt
  MakeDownload({{u"a.txt", 1000}, {u"b.txt", 1000}, {u"c.txt", 1000}}, script);
  Press(id::kStart);
  WaitPaused();
  Press(id::kPause);  // stop: blocks until the worker has left its run
  EXPECT_FALSE(job->IsRunning());
  EXPECT_TRUE(view->StoppedByUser());
  EXPECT_EQ(Status(0), entry_status::kDone);
  EXPECT_EQ(Status(1), entry_status::kStopped);
  EXPECT_EQ(Row(1, 3), u"Send");
  EXPECT_EQ(view->Entries()[1]->bytes_done, 500);
  EXPECT_EQ(Status(2), entry_status::kWaiting);
  EXPECT_EQ(job->index, 0);
  ui.RunPending();
  EXPECT_TRUE(view->Form().Enabled(id::kStart));

  Press(id::kStart);
  Finish();
  EXPECT_EQ(job->Runs(), 2);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(Status(i), entry_status::kDone) << i;
  // The second run moved only what was left.
  EXPECT_EQ(job->run_bytes, 1500);
  EXPECT_EQ(job->job_bytes_done, 3000);
}

class RemovalTest : public TransferViewTest {
 protected:
  // Five entries of 1000 bytes; the worker waits inside c.txt (index 2).
  void StartAndHoldAtC() {
    FakeJobScript script;
    script.blockBytes = 100;
    script.pauseAtJobBytes = 2300;
    MakeDownload({{u"a.txt", 1000}, {u"b.txt", 1000}, {u"c.txt", 1000}, {u"d.txt", 1000}, {u"e.txt", 1000}},
                 script);
    Press(id::kStart);
    WaitPaused();
    ASSERT_EQ(job->index, 2);
    current = view->Entries()[2];
  }
  std::shared_ptr<UPLOAD_INFO> current;
};

TEST_F(RemovalTest, RemovingBeforeTheCurrentEntryKeepsTheWorkerOnIt) {
  StartAndHoldAtC();
  Select({0});
  Press(id::kRemove);
  EXPECT_TRUE(window.questions.empty());
  ASSERT_EQ(view->Entries().size(), 4u);
  EXPECT_EQ(job->index, 1);
  EXPECT_EQ(view->Entries()[1], current);
  EXPECT_EQ(job->job_total, 4000);
  EXPECT_EQ(job->job_bytes_done, 1300);
  EXPECT_EQ(job->alive.load(), 1);
  job->Resume();
  Finish();
  EXPECT_EQ(job->Runs(), 1);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(Status(i), entry_status::kDone) << i;
  EXPECT_EQ(job->job_bytes_done, job->job_total);
}

TEST_F(RemovalTest, RemovingAfterTheCurrentEntryLeavesTheIndexAlone) {
  StartAndHoldAtC();
  Select({3, 4});
  Press(id::kRemove);
  ASSERT_EQ(view->Entries().size(), 3u);
  EXPECT_EQ(job->index, 2);
  EXPECT_EQ(view->Entries()[2], current);
  job->Resume();
  Finish();
  EXPECT_EQ(job->job_bytes_done, 3000);
  EXPECT_EQ(job->job_total, 3000);
  // The removed records are marked in the saved state; the rest stay pending.
  EXPECT_EQ(SavedFileCount(SavedPath()), 3);
}

TEST_F(RemovalTest, RemovingTheCurrentEntryAsksStopsAndGoesOn) {
  StartAndHoldAtC();
  Select({2});
  Press(id::kRemove);
  ASSERT_EQ(window.questions.size(), 1u);
  EXPECT_EQ(window.questions[0], u"Alert|Files are begin downloaded\nAre you sure?");
  ASSERT_EQ(view->Entries().size(), 4u);
  EXPECT_EQ(std::find(view->Entries().begin(), view->Entries().end(), current), view->Entries().end());
  Finish();
  EXPECT_EQ(job->Runs(), 2);  // stopped at its safe point, then started again
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(Status(i), entry_status::kDone) << i;
  EXPECT_EQ(job->job_bytes_done, 4000);
  EXPECT_EQ(job->job_total, 4000);
  EXPECT_EQ(SavedFileCount(SavedPath()), 4);
}

TEST_F(RemovalTest, AnsweringNoChangesNothingAndTheTransferGoesOn) {
  StartAndHoldAtC();
  window.yes = false;
  Select({1, 2});
  Press(id::kRemove);
  EXPECT_EQ(window.questions.size(), 1u);
  EXPECT_EQ(view->Entries().size(), 5u);
  EXPECT_EQ(job->index, 2);
  EXPECT_EQ(job->alive.load(), 1);
  EXPECT_TRUE(job->IsRunning());
  EXPECT_EQ(SavedFileCount(SavedPath()), 5);
  job->Resume();
  Finish();
  EXPECT_EQ(job->Runs(), 1);
  EXPECT_EQ(job->job_bytes_done, 5000);
}

TEST_F(TransferViewTest, RemovingEverythingLeavesAnEmptyListAtIndexZero) {
  MakeDownload({{u"a.txt", 10}, {u"b.txt", 20}});
  Press(id::kSelectAll);
  Press(id::kRemove);
  EXPECT_TRUE(view->Entries().empty());
  EXPECT_EQ(window.rowCount, 0u);
  EXPECT_EQ(job->index, 0);
  EXPECT_EQ(job->job_total, 0);
  Press(id::kStart);  // nothing to start
  EXPECT_FALSE(job->IsRunning());
  EXPECT_EQ(SavedFileCount(SavedPath()), 0);
}

TEST_F(TransferViewTest, MovesShiftSelectedBlocksAndTheWorkerFollowsItsEntry) {
  MakeDownload({{u"a", 1}, {u"b", 1}, {u"c", 1}, {u"d", 1}});
  Select({0});
  Press(id::kMoveUp);  // the first row cannot go up
  EXPECT_EQ(Row(0, 0), u"a");
  Select({1, 2});
  Press(id::kMoveDown);
  EXPECT_EQ(Row(0, 0) + Row(1, 0) + Row(2, 0) + Row(3, 0), u"adbc");
  EXPECT_TRUE(view->IsSelected(2) && view->IsSelected(3) && !view->IsSelected(1));
  Press(id::kMoveDown);  // the last row is selected
  EXPECT_EQ(Row(3, 0), u"c");
  Select({1, 3});
  Press(id::kMoveUp);
  EXPECT_EQ(Row(0, 0) + Row(1, 0) + Row(2, 0) + Row(3, 0), u"dacb");
  EXPECT_EQ(job->index, 0);  // not running: the next run starts at the top
}

TEST_F(TransferViewTest, AMoveWhileRunningKeepsTheIndexOnTheCurrentEntry) {
  FakeJobScript script;
  script.blockBytes = 10;
  script.pauseAtJobBytes = 150;
  MakeDownload({{u"a", 100}, {u"b", 100}, {u"c", 100}}, script);
  Press(id::kStart);
  WaitPaused();
  ASSERT_EQ(job->index, 1);
  Select({1});
  Press(id::kMoveDown);
  EXPECT_EQ(job->index, 2);
  EXPECT_EQ(Row(2, 0), u"b");
  job->Resume();
  Finish();
  // c moved in front of the worker's place: this run passed it by.
  EXPECT_EQ(Status(1), entry_status::kWaiting);
  EXPECT_EQ(job->index, 0);
  Press(id::kStart);
  Finish();
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(Status(i), entry_status::kDone) << i;
}

TEST_F(TransferViewTest, RefreshTimersWriteRateAndTimesOnTheClock) {
  FakeJobScript script;
  script.blockBytes = 1024;
  script.blockMs = 100;  // 10 KB per second on the fake clock
  script.pauseAtJobBytes = 20480;
  MakeDownload({{u"a.bin", 102400}}, script);
  Press(id::kStart);
  WaitPaused();
  // The run's start may reach the UI thread after its bounded wait ended.
  ui.RunPending();
  ASSERT_TRUE(ui.HasTimer(kFastRefreshTimer));
  clock.Advance(500);
  ui.RunPending();
  EXPECT_EQ(Form(id::kRate), u"10.00KB / sec");
  EXPECT_EQ(Form(id::kTimeLeft), u"Time Left : 00:00:08");
  EXPECT_EQ(Row(0, 4), u"00:00:08");
  EXPECT_EQ(Form(id::kElapsed), u"Time Past : 00:00:02");
  EXPECT_EQ(Row(0, 3), u"20%");
  EXPECT_EQ(view->Progress(), 200);
  // Paused for a removal: the slow timer leaves the texts alone.
  job->alive = 0;
  clock.Advance(500);
  ui.RunPending();
  EXPECT_EQ(Form(id::kTimeLeft), u"Time Left : 00:00:08");
  job->alive = 1;
  job->Resume();
  Finish();
}

TEST_F(TransferViewTest, TheExistingFileQuestionComesFromTheWorkerAndItsAnswerSticks) {
  FakeJobScript script;
  script.existing = {u"a.txt", u"b.txt", u"c.txt"};
  MakeDownload({{u"a.txt", 10}, {u"b.txt", 10}, {u"c.txt", 10}}, script);
  // a: skip; b: tick "apply to all" and overwrite; c is not asked.
  window.dialogAnswers = {kIdCancel, CAskSaveAsBase::kApplyAll, CAskSaveAsBase::kOverwrite};
  Press(id::kStart);
  Finish();
  ASSERT_EQ(window.shown.size(), 2u);
  EXPECT_EQ(window.shown[0]->Controls().Text(CAskSaveAsBase::kName),
            u"The 'a.txt' file already exists in the folder.");
  EXPECT_EQ(Status(0), entry_status::kWaiting);
  EXPECT_EQ(Status(1), entry_status::kDone);
  EXPECT_EQ(Status(2), entry_status::kDone);
  EXPECT_TRUE(view->Form().Checked(id::kOverwrite));
  EXPECT_FALSE(view->Form().Checked(id::kAsk));
  EXPECT_TRUE(view->OpenDialogs().empty());
}

TEST_F(TransferViewTest, ASaveAsRenameShowsTheNewNameAsTheCurrentFile) {
  FakeJobScript script;
  script.existing = {u"a.txt"};
  MakeDownload({{u"a.txt", 10}}, script);
  window.savePath = u"\\dl\\renamed.txt";
  window.dialogAnswers = {CAskSaveAsBase::kSaveAs};
  Press(id::kStart);
  Finish();
  EXPECT_EQ(Form(id::kCurrentFile), u"renamed.txt");
  EXPECT_EQ(Row(0, 0), u"renamed.txt");
}

TEST_F(TransferViewTest, TheRetryCountdownRunsOnTheClockAndRetries) {
  FakeJobScript script;
  script.networkFailures[u"a.txt"] = 1;
  MakeDownload({{u"a.txt", 10}}, script);
  const uint64_t start = clock.Elapsed();
  Press(id::kStart);
  Finish();
  ASSERT_EQ(window.shown.size(), 1u);
  auto* countdown = dynamic_cast<CErrorWaitDlg*>(window.shown[0].get());
  ASSERT_NE(countdown, nullptr);
  EXPECT_EQ(countdown->EndCode(), kIdOk);
  EXPECT_EQ(countdown->Controls().Text(kIdOk), u"재시도 (0)");
  EXPECT_GE(clock.Elapsed() - start, 5000u);
  EXPECT_EQ(Status(0), entry_status::kDone);
}

TEST_F(TransferViewTest, StopDuringTheCountdownClosesItAndStopsTheEntry) {
  FakeJobScript script;
  script.networkFailures[u"a.txt"] = 1;
  script.retrySeconds = 99;
  MakeDownload({{u"a.txt", 10}}, script);
  window.dialogAnswers = {0};  // leave it open
  Press(id::kStart);
  ASSERT_TRUE(ui.PumpUntil([&] { return !view->OpenDialogs().empty(); }));
  // While the countdown is open the buttons go to it: "stop the transfer".
  Press(kIdCancel);
  Finish();
  EXPECT_EQ(Status(0), entry_status::kFailed);
  EXPECT_TRUE(view->OpenDialogs().empty());

  // A view that goes while a countdown waits stops its worker all the same.
  script.networkFailures[u"b.txt"] = 1;
  view.reset();
  MakeDownload({{u"b.txt", 10}}, script);
  window.dialogAnswers = {0};
  Press(id::kStart);
  ASSERT_TRUE(ui.PumpUntil([&] { return !view->OpenDialogs().empty(); }));
  view.reset();
}

TEST_F(TransferViewTest, ChangeFolderIsRefusedWhileRunningAndCopiedToWaitingEntries) {
  FakeJobScript script;
  script.pauseAtJobBytes = 10;
  script.blockBytes = 10;
  MakeDownload({{u"a", 10}, {u"b", 10}}, script);
  EXPECT_EQ(Form(id::kSaveFolder), u"\\docs");
  const auto* saved = registry.Find(kAgentSettingsKey, u"SaveFolder");
  ASSERT_NE(saved, nullptr);  // the default was written back when missing
  Press(id::kStart);
  WaitPaused();
  Press(id::kChangeFolder);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0], u"Alert|Folder to save during the transfer can not be changed.");
  job->Resume();
  Finish();

  view.reset();
  MakeDownload({{u"c", 10}});
  window.folders = {u"\\nofolder", u"\\new"};
  Press(id::kChangeFolder);
  EXPECT_EQ(window.messages.back(), u"알림|저장 할 수 없는 디렉토리 입니다.\n다른 폴더를 선택해주십시오.");
  EXPECT_EQ(Form(id::kSaveFolder), u"\\new");
  EXPECT_EQ(std::get<std::u16string>(*registry.Find(kAgentSettingsKey, u"SaveFolder")), u"\\new");
  EXPECT_EQ(Row(0, 5), u"\\new");
}

TEST_F(TransferViewTest, AfterChangeFolderAPartialFileKeepsShowingItsFolder) {
  MakeDownload({{u"part", 10}, {u"tried", 10}});
  auto& part = static_cast<CDownloadFile&>(*view->Entries()[0]);
  auto& tried = static_cast<CDownloadFile&>(*view->Entries()[1]);
  // Both were begun under \docs; only the first has bytes on disk.
  part.local_path = u"\\docs\\part";
  part.local_folder = u"\\docs";
  part.bytes_done = 4;
  tried.local_path = u"\\docs\\tried";
  tried.local_folder = u"\\docs";
  window.folders = {u"\\new"};
  Press(id::kChangeFolder);
  EXPECT_EQ(Row(0, 5), u"\\docs");
  EXPECT_EQ(Row(1, 5), u"\\new");
}

TEST_F(TransferViewTest, DoubleClickOpensAFinishedFileOrShowsWhyNot) {
  MakeDownload({{u"a.txt", 10}});
  view->OnDoubleClick(0);
  EXPECT_TRUE(opened.empty());  // nowhere yet
  static_cast<CDownloadFile&>(*view->Entries()[0]).local_path = u"\\dl\\a.txt";
  openSucceeds = false;
  view->OnDoubleClick(0);
  EXPECT_EQ(opened, std::vector<std::u16string>{u"\\dl\\a.txt"});
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].substr(0, 12), u"Alert|error ");
  EXPECT_EQ(window.messages[0].back(), u'0' + platform::LastError() % 10);  // line break removed
}

TEST_F(TransferViewTest, DestroyingSavesTheAfterFinishOptions) {
  MakeDownload({{u"a", 1}});
  Press(id::kOpenFolder);
  Press(id::kCloseAfter);
  view->OnDestroy();
  EXPECT_EQ(std::get<uint32_t>(*registry.Find(kAgentSettingsKey, u"Config_SendAfter")), 0x11u);

  // The upload form has no "Open Folder"; its hidden box keeps its bit.
  registry.Plant(kAgentSettingsKey, u"Config_SendAfter", uint32_t{0x11});
  view.reset();
  Make(AgentMode::kUpload);
  view->OnCreate();
  EXPECT_FALSE(view->Form().Visible(id::kCloseAfter));
  view->OnDestroy();
  EXPECT_EQ(std::get<uint32_t>(*registry.Find(kAgentSettingsKey, u"Config_SendAfter")), 0x10u);
}

TEST_F(TransferViewTest, AnUploadBatchStartsTheWorkerUnlessAutoSendIsOff) {
  auto handUp = [&] {
    auto& action = mem.As<ActionRegion>(region_name::kUploadAction);
    action.present = 1;
    StoreField(action.info.action_url, u"http://up/a");
    auto& up = mem.As<UploadRecordRegion>(region_name::kUpload);
    up.count = 2;
    StoreField(up.records[0].path, u"C:\\in\\f0.txt");
    up.records[0].file_size = 5;
    StoreField(up.records[1].path, u"C:\\in\\f1.txt");
    up.records[1].file_size = 7;
  };
  Make(AgentMode::kUpload);
  view->OnCreate();
  handUp();
  EXPECT_EQ(view->OnRegisteredMessage(kInsertQueueMessage, 0, 0), 1);
  EXPECT_TRUE(job->IsRunning() || job->Runs() == 1);
  Finish();
  EXPECT_EQ(job->Runs(), 1);
  EXPECT_EQ(job->job_bytes_done, 12);

  view.reset();
  registry.Plant(kAgentSettingsKey, u"Config_AutoSend", uint32_t{0});
  Make(AgentMode::kUpload);
  view->OnCreate();
  handUp();
  EXPECT_EQ(view->OnInsertQueue(), 1);
  EXPECT_FALSE(job->IsRunning());
  EXPECT_EQ(job->Runs(), 0);
  EXPECT_TRUE(view->Form().Enabled(id::kStart));
}

TEST_F(TransferViewTest, KoreanTablesGiveKoreanRowsTitlesAndLabels) {
  Language(u"ko");
  MakeDownload({{u"a.txt", 2048}});
  EXPECT_EQ(Row(0, 3), u"대기");
  EXPECT_EQ(Form(id::kTimeLeft), u"남은시간 : 00:00:00");
  const std::string dump = view->Dump();
  EXPECT_NE(dump.find("\"columns\":[\"파일명\",\"폴더\",\"크기\",\"상태\"]"), std::string::npos) << dump;
  Press(id::kStart);
  Finish();
  EXPECT_EQ(Row(0, 3), u"완료");
}

TEST_F(TransferViewTest, DumpGivesTextsEnabledFlagsRowsAndOpenDialogs) {
  FakeJobScript script;
  script.existing = {u"a.txt"};
  MakeDownload({{u"a.txt", 2048}}, script);
  window.dialogAnswers = {0};
  Press(id::kStart);
  ASSERT_TRUE(ui.PumpUntil([&] { return !view->OpenDialogs().empty(); }));
  std::string dump = view->Dump();
  EXPECT_NE(dump.find("\"rows\":[[\"a.txt\",\"sub\",\"2.00KB\","), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"entries\":[{\"name\":\"a.txt\",\"folder\":\"sub\",\"size\":2048,\"status\":"),
            std::string::npos)
      << dump;
  EXPECT_NE(dump.find("\"1002\":false"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"1018\":true"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"1019\":\"\\\\docs\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"dialogs\":[{\"template\":222"), std::string::npos) << dump;
  // The socket's "command 204" answers the open question (resume).
  view->OnCommand(CAskSaveAsBase::kResume);
  Finish();
  dump = view->Dump();
  EXPECT_NE(dump.find("\"dialogs\":[]"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"status\":4"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"1002\":true"), std::string::npos) << dump;
}

TEST_F(TransferViewTest, IconsAreAskedOncePerExtensionAndKind) {
  int asked = 0;
  // The setup's lookup is wrapped by the view's cache.
  MainViewSetup s;
  s.registry = &registry;
  s.reader.regions = &mem;
  s.documentsFolder = [] { return std::u16string(u"\\docs"); };
  s.iconIndex = [&](const std::u16string& name, uint32_t attributes) {
    ++asked;
    return static_cast<int>(name.size() + attributes);
  };
  s.makeWorker = FakeJobFactory({}, &job);
  view = CMainView::Create(frame, ui, std::move(s));
  EXPECT_EQ(view->IconIndex(u"a.TXT", platform::attribute::kNormal), 5 + 0x80);
  EXPECT_EQ(view->IconIndex(u"bb.txt", platform::attribute::kNormal), 5 + 0x80);
  view->IconIndex(u"dir.txt", platform::attribute::kDirectory);
  view->IconIndex(u"noext", platform::attribute::kNormal);
  view->IconIndex(u"a.b\\noext", platform::attribute::kNormal);
  EXPECT_EQ(asked, 3);
}

TEST_F(TransferViewTest, RowsCanBeSelectedFromOutside) {
  MakeDownload({{u"a", 1}, {u"b", 1}});
  EXPECT_EQ(view->OnRegisteredMessage(kViewSelectMessage, 1, 1), 1);
  EXPECT_EQ(view->OnRegisteredMessage(kViewSelectMessage, 5, 1), 0);
  EXPECT_TRUE(view->IsSelected(1));
  Press(id::kRemove);
  ASSERT_EQ(view->Entries().size(), 1u);
  EXPECT_EQ(Row(0, 0), u"a");
}

}  // namespace
}  // namespace vard::testing
