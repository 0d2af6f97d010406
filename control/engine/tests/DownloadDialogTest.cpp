// The download dialog's presenter over the console view, running real
// downloads from the loopback test server.
#include "control/engine/DownloadDialog.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "common/http/tests/TestEndpoint.h"
#include "common/platform/FileSystem.h"
#include "common/platform/PathText.h"
#include "common/platform/tests/RegistryFixture.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"
#include "control/engine/ConsoleDownloadDialogView.h"
#include "control/engine/ConsoleDownloadDialogs.h"
#include "control/engine/tests/RecordingOutput.h"
#include "control/engine/DirectTarget.h"

namespace vard {
namespace {

namespace p = platform;
using http_tests::ServerUrl;

DownloadItem Item(std::string_view path, std::u16string name, int64_t size) {
  DownloadItem i;
  i.url = ServerUrl(path);
  i.fileName = i.displayName = std::move(name);
  i.fileSize = size;
  return i;
}

class DownloadDialogTest : public p::RegistryTest {
 protected:
  // The control's key starts empty (under Wine it is the prefix's real one).
  void SetUp() override {
    p::RegistryTest::SetUp();
    reg_.DeleteKey(p::RegistryRoot::kCurrentUser, FolderSettings::kKey);
  }
  void TearDown() override {
    reg_.DeleteKey(p::RegistryRoot::kCurrentUser, FolderSettings::kKey);
    p::RegistryTest::TearDown();
  }
  int Run(std::vector<DownloadItem> items, DownloadDialogConfig config = {}) {
    Make(std::move(items), std::move(config));
    return view_->RunModal(*dialog_);
  }
  void Make(std::vector<DownloadItem> items, DownloadDialogConfig config) {
    if (config.options.downloadFolder.empty()) config.options.downloadFolder = folder_.Path();
    config.messageCaption = u"Alert - ABC";
    dialog_ = std::make_unique<DownloadDialog>(Services(), config, std::move(items));
    view_ = std::make_unique<ConsoleDownloadDialogView>(out_, nullptr, false, p::SystemClock(), answers_, u"File Download");
  }

  DownloadDialogServices Services() {
    DownloadDialogServices s;
    s.clock = &p::SystemClock();
    s.target = &target_;
    s.settings = &settings_;
    s.text = [](uint32_t id) { return u"T" + AsciiToUtf16(std::to_string(id)); };
    s.documentsFolder = [] { return std::u16string(u"C:\\Docs"); };
    return s;
  }

  DirectTarget target_;
  FolderSettings settings_{reg_};
  ConsoleAnswers answers_;
  std::ostringstream out_;
  std::unique_ptr<DownloadDialog> dialog_;
  std::unique_ptr<ConsoleDownloadDialogView> view_;
};

TEST_F(DownloadDialogTest, AnAutoStartedRunShowsItsProgressAndEndsComplete) {
  DownloadDialogConfig config;
  config.autoStart = true;
  config.titleSuffix = u" - ABC";
  EXPECT_EQ(Run({Item("/data/3000", u"a.bin", 3000), Item("/data/10", u"b.bin", 10)}, config), endcode::kCompleted);
  EXPECT_EQ(view_->Text(dlg::kCounter), u"2 / 2");
  EXPECT_EQ(view_->Text(dlg::kRunBytes), u"3,010bytes");
  EXPECT_EQ(view_->Text(dlg::kFolder), folder_.Path());
  EXPECT_EQ(dialog_->RowText(0, 2), u"T115");
  EXPECT_EQ(dialog_->RowText(1, 1), u"");
  const std::string out = out_.str();
  EXPECT_NE(out.find("dialog File Download - ABC\n"), std::string::npos) << out;
  EXPECT_NE(out.find("end 1\n"), std::string::npos);
  // The folder of the run is remembered for the next one.
  EXPECT_EQ(settings_.InitialDownloadFolder(u"C:\\Docs"), folder_.Path());
}

// An untrusted page's run writes below its folder only: names that begin
// with "." and links below the folder fail their items, and the folder is
// never stored for the next run.
TEST_F(DownloadDialogTest, AnUntrustedPagesRunStaysBelowItsFolderAndStoresNothing) {
  p::testing::TestFolder outside;
  const bool linked = p::MakeFolderLink(outside.Path(), folder_ / u"out");
  DownloadDialogConfig config;
  config.autoStart = true;
  config.storeFolder = false;
  config.options.untrustedPage = true;
  EXPECT_EQ(Run({Item("/data/10", u"a.bin", 10), Item("/data/10", u".config/autostart/evil.desktop", 10),
                 Item("/data/10", u"sub/.bashrc", 10), Item("/data/10", u"out/b.bin", 10)},
                config),
            endcode::kFailed);
  EXPECT_EQ(p::FileSizeOf(folder_ / u"a.bin"), 10);
  EXPECT_FALSE(p::PathExists(folder_ / u".config"));
  EXPECT_FALSE(p::PathExists(folder_ / u"sub\\.bashrc"));
  EXPECT_FALSE(p::PathExists(outside / u"b.bin"));
  EXPECT_EQ(dialog_->RowText(0, 2), u"T115");
  if (linked) {
    p::RemoveFolder(folder_ / u"out");
    p::RemoveFile(folder_ / u"out");
  }
  EXPECT_EQ(settings_.InitialDownloadFolder(u"C:\\Docs"), u"C:\\Docs");
}

TEST_F(DownloadDialogTest, ClosingBeforeTheStartIsACancel) {
  // Nothing starts it: the test closes it from the dialog's own queue.
  DownloadDialog dialog(Services(), {}, {Item("/data/10", u"x.bin", 10)});
  ConsoleDownloadDialogView view(out_, nullptr, false, p::SystemClock(), answers_, u"File Download");
  view.Post([&] { dialog.OnClose(true); });
  EXPECT_EQ(view.RunModal(dialog), endcode::kCancelled);
  EXPECT_EQ(view.Text(dlg::kFolder), u"C:\\Docs");  // no folder given: the stored or documents folder
}

TEST_F(DownloadDialogTest, AnExistingFileIsKeptWhenNobodyAnswers) {
  {
    p::File f = p::File::Open(folder_ / u"a.bin", p::access::kWrite, 0, p::Disposition::kCreateAlways);
    uint32_t n = 0;
    f.Write("old", 3, &n);
  }
  DownloadDialogConfig config;
  config.autoStart = true;
  EXPECT_EQ(Run({Item("/data/10", u"a.bin", 10)}, config), endcode::kCompleted);
  EXPECT_EQ(dialog_->RowItem(0).status, item::kCancelled);
  EXPECT_EQ(p::FileSizeOf(folder_ / u"a.bin"), 3);
}

TEST_F(DownloadDialogTest, TheStopQuestionCancelsOrLetsTheRunGoOn) {
  for (const bool stop : {true, false}) {
    answers_.stops.push_back(stop);
    DownloadDialogConfig config;
    config.autoStart = true;
    // About 1.5 s at 200 kB/s; the person closes the dialog once it runs.
    Make({Item("/data/300000?throttle=200000", stop ? u"stopped.bin" : u"slow.bin", 300000)}, config);
    DownloadDialog* dialog = dialog_.get();
    ConsoleDownloadDialogView* view = view_.get();
    std::thread closer([dialog, view] {
      p::SystemClock().WaitUntil([dialog] { return dialog->RowItem(0).status == item::kTransferring; }, 10000, 5);
      view->Post([dialog] { dialog->OnClose(true); });
    });
    const int code = view_->RunModal(*dialog_);
    closer.join();
    EXPECT_EQ(code, stop ? endcode::kCancelled : endcode::kCompleted);
    EXPECT_EQ(dialog_->RowItem(0).status, stop ? item::kTransferring : item::kDone);
    view_.reset();
  }
}

TEST_F(DownloadDialogTest, AFailedItemEndsTheRunAsFailedAndRowsExplainThemselves) {
  DownloadDialogConfig config;
  config.autoStart = true;
  DownloadItem never = Item("/data/10", u"never.bin", 10);
  never.url = u"ftp://127.0.0.1/never.bin";
  EXPECT_EQ(Run({Item("/data/10?status=500", u"bad.bin", 10), Item("/status/404", u"gone.bin", 10), never}, config),
            endcode::kFailed);
  EXPECT_EQ(dialog_->RowText(0, 2), u"T119");  // failed says so, not "transferring"
  EXPECT_EQ(dialog_->RowText(1, 2), u"T116");  // not found: cancelled
  EXPECT_EQ(dialog_->RowTip(1), u"gone.bin ");
  dialog_->OnRowDoubleClick(2);
  EXPECT_NE(out_.str().find("message [Alert - ABC] T117"), std::string::npos);
}

TEST_F(DownloadDialogTest, ChangingTheFolderStoresIt) {
  answers_.folders.push_back(u"E:\\new");
  DownloadDialog dialog(Services(), {}, {});
  ConsoleDownloadDialogView view(out_, nullptr, false, p::SystemClock(), answers_, u"");
  view.Post([&] {
    dialog.OnChangeFolder();
    dialog.OnClose(true);
  });
  view.RunModal(dialog);
  EXPECT_EQ(dialog.Folder(), u"E:\\new");
  EXPECT_EQ(settings_.InitialDownloadFolder(u"C:\\Docs"), u"E:\\new");
}

TEST_F(DownloadDialogTest, EachConsoleListDialogRunsOnTheOutputMadeForIt) {
  auto counts = std::make_shared<testing::OutputCounts>();
  ConsoleDownloadDialogs dialogs(nullptr, out_, testing::RecordingOutputs(counts));
  DownloadDialogState state;
  state.downloadFolder = folder_.Path();
  for (int run = 1; run <= 2; ++run) {
    // The second run finds the file and nobody answers: it is kept.
    EXPECT_EQ(dialogs.RunListDownload(state, {Item("/data/10", u"a.bin", 10)}, DialogOwner::kControlWindow),
              endcode::kCompleted);
    EXPECT_EQ(counts->made, run);
    EXPECT_EQ(counts->begun, run);
    EXPECT_EQ(counts->ended, run);
  }
  EXPECT_EQ(counts->opened, 1);
}

// A view whose stop question, like a message box, goes on running what is
// posted to the dialog while it is open.
class ModalLoopView final : public IDownloadDialogView {
 public:
  std::u16string TemplateCaption() override { return u"Download"; }
  void SetTitle(const std::u16string&) override {}
  void SetText(int id, const std::u16string& text) override { texts[id] = text; }
  void SetProgress(int, int32_t) override {}
  void ShowControl(int id, bool visible) override {
    if (!visible) events.push_back("hide " + std::to_string(id));
  }
  void EnableControl(int, bool) override {}
  void SetRowCount(size_t) override {}
  void SetListHeight(int32_t pixels) override { events.push_back("height " + std::to_string(pixels)); }
  void RaiseListTo(int id) override { events.push_back("raise to " + std::to_string(id)); }
  void RedrawRow(size_t row) override {
    if (onRedraw) onRedraw(row);
  }
  bool AskYesNo(const std::u16string&, const std::u16string&) override {
    events.push_back("stop?");
    const bool stop = onStopQuestion();
    events.push_back(stop ? "stop" : "go on");
    return stop;
  }
  void MessageBox(const std::u16string&, const std::u16string&) override {}
  DuplicateAnswer AskDuplicate(const DuplicatePrompt& prompt) override {
    events.push_back("exists " + Utf16ToUtf8(p::LastPathComponent(prompt.question.path)));
    return {existing_file::kOverwrite, false, {}};
  }
  std::optional<std::u16string> BrowseFolder(const std::u16string&, const std::u16string& initial) override {
    browsedFrom.push_back(initial);
    return browseAnswer;
  }
  void Post(std::function<void()> task) override {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(task));
  }
  void MakeInvisible() override {}
  void EndDialog(int code) override { events.push_back("end " + std::to_string(code)); }

  // Runs what is posted, one task at a time (a task may pump again), until
  // `done`; false after 10 s on the clock.
  bool PumpUntil(const std::function<bool()>& done) {
    return p::SystemClock().WaitUntil(
        [&] {
          for (;;) {
            std::function<void()> task;
            {
              std::lock_guard lock(mutex_);
              if (queue_.empty()) break;
              task = std::move(queue_.front());
              queue_.pop_front();
            }
            task();
          }
          return done();
        },
        10000, 1);
  }

  std::map<int, std::u16string> texts;
  std::vector<std::string> events;
  std::function<void(size_t)> onRedraw;
  std::function<bool()> onStopQuestion;
  std::vector<std::u16string> browsedFrom;
  std::optional<std::u16string> browseAnswer;

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
};

TEST_F(DownloadDialogTest, FullPathsHideTheFolderRowAndTheListTakesItsPlace) {
  for (const bool single : {false, true}) {
    DownloadDialogConfig config;
    config.options.useFullPath = true;
    config.options.singleMode = single;
    config.listHeight = 90;
    DownloadDialog dialog(Services(), config, {});
    ModalLoopView view;
    dialog.OnInit(view);
    std::vector<std::string> layout;
    for (const auto& e : view.events)
      if (e.starts_with("hide 1") || e.starts_with("hide 2") || e.starts_with("raise") || e.starts_with("height"))
        layout.push_back(e);
    // The list's own height first; the folder row then gives up its room.
    if (single) EXPECT_EQ(layout, (std::vector<std::string>{"height 90"}));
    else
      EXPECT_EQ(layout, (std::vector<std::string>{"height 90", "hide 1001", "hide 212", "hide 201",
                                                  "hide 1", "raise to 212"}));
  }
}

// Change Folder's question opens at the stored download folder as it is
// when asked (another dialog may have changed it); a dialog's own folder
// is stored when it opens.
TEST_F(DownloadDialogTest, ChangeFolderOpensAtTheStoredFolder) {
  {
    DownloadDialog dialog(Services(), {}, {});
    ModalLoopView view;
    dialog.OnInit(view);
    dialog.OnChangeFolder();  // nothing stored yet; cancelled
    settings_.StoreDownloadFolder(u"D:\\Stored\\");
    view.browseAnswer = u"E:\\Chosen";
    dialog.OnChangeFolder();
    dialog.OnChangeFolder();
    EXPECT_EQ(view.browsedFrom, (std::vector<std::u16string>{u"C:\\Docs", u"D:\\Stored\\", u"E:\\Chosen"}));
    EXPECT_EQ(view.texts[dlg::kFolder], u"E:\\Chosen");
  }
  DownloadDialogConfig config;
  config.options.downloadFolder = u"C:\\FromThePage";
  DownloadDialog dialog(Services(), config, {});
  ModalLoopView view;
  dialog.OnInit(view);
  dialog.OnChangeFolder();
  EXPECT_EQ(view.browsedFrom, (std::vector<std::u16string>{u"C:\\FromThePage"}));
}

TEST_F(DownloadDialogTest, TheStopQuestionHoldsTheRunAndNothingIsAskedOverIt) {
  for (const bool stop : {false, true}) {
    // b.bin is there: the run's second item asks about it, never over the
    // stop question that opens as the first item ends.
    {
      p::File f = p::File::Open(folder_ / u"b.bin", p::access::kWrite, 0, p::Disposition::kCreateAlways);
      uint32_t n = 0;
      f.Write("old", 3, &n);
    }
    p::RemoveFile(folder_ / u"a.bin");
    DownloadDialogConfig config;
    config.autoStart = true;
    config.options.downloadFolder = folder_.Path();
    DownloadDialog dialog(Services(), config, {Item("/data/3000", u"a.bin", 3000), Item("/data/10", u"b.bin", 10)});
    ModalLoopView view;
    bool closed = false, held = false, still = false;
    view.onRedraw = [&](size_t row) {
      if (closed || row != 0 || dialog.RowItem(0).status != item::kDone) return;
      closed = true;
      dialog.OnClose(true);
    };
    view.onStopQuestion = [&] {
      held = view.PumpUntil([&] { return dialog.RunHeld(); });
      dialog.OnTimer();
      const std::u16string bytes = view.texts[dlg::kRunBytes];
      view.PumpUntil([] { return true; });  // what was sent before the hold
      dialog.OnTimer();
      still = view.texts[dlg::kRunBytes] == bytes;
      return stop;
    };
    dialog.OnInit(view);
    ASSERT_TRUE(view.PumpUntil([&] { return dialog.Ended(); }));
    EXPECT_TRUE(held) << stop;
    EXPECT_TRUE(still) << stop;
    if (stop) {
      EXPECT_EQ(view.events, (std::vector<std::string>{"stop?", "stop", "end 2"}));
      EXPECT_EQ(p::FileSizeOf(folder_ / u"b.bin"), 3);
    } else {
      EXPECT_EQ(view.events, (std::vector<std::string>{"stop?", "go on", "exists b.bin", "end 1"}));
      EXPECT_EQ(p::FileSizeOf(folder_ / u"a.bin"), 3000);
      EXPECT_EQ(p::FileSizeOf(folder_ / u"b.bin"), 10);
    }
  }
}

// ---- child mode ----

class ChildDialogTest : public DownloadDialogTest {
 protected:
  void Embed() {
    DownloadDialogConfig config;
    config.child = true;
    config.options.downloadFolder = folder_.Path();
    dialog_ = std::make_unique<DownloadDialog>(Services(), config, std::vector<DownloadItem>{});
    view_ = std::make_unique<ConsoleDownloadDialogView>(out_, nullptr, false, p::SystemClock(), answers_, u"");
    view_->ShowEmbedded(*dialog_, [this](int code) { ends_.push_back(code); });
  }
  // Waits through the clock until the run's worker is inside its transfer.
  bool WaitForTransfer(size_t row) {
    return p::SystemClock().WaitUntil([&] { return dialog_->RowItem(row).status == item::kTransferring; }, 5000, 5);
  }
  std::vector<int> ends_;
};

TEST_F(ChildDialogTest, RunsOneAfterAnotherKeepingItsRowsAndReportingEachEnd) {
  Embed();
  dialog_->AddItem(Item("/data/3000", u"a.bin", 3000));
  dialog_->OnClose(true);  // nothing runs: nothing to stop, nothing reported
  EXPECT_TRUE(ends_.empty());
  ASSERT_TRUE(view_->RunEmbedded());
  EXPECT_EQ(ends_, std::vector<int>{endcode::kCompleted});
  EXPECT_EQ(p::FileSizeOf(folder_ / u"a.bin"), 3000);
  EXPECT_EQ(view_->Text(dlg::kRunBytes), u"3,000bytes");  // the counters stay after the run

  // Appended later: the next run takes every row again, asking about the
  // file the first run made.
  dialog_->AddItem(Item("/data/10?status=500", u"bad.bin", 10));
  EXPECT_EQ(view_->Text(dlg::kCounter), u"0 / 2");
  answers_.duplicates.push_back({existing_file::kOverwrite, false, {}});
  ASSERT_TRUE(view_->RunEmbedded());
  EXPECT_EQ(ends_, (std::vector<int>{endcode::kCompleted, endcode::kFailed}));
  ASSERT_EQ(dialog_->RowCount(), 2u);
  EXPECT_EQ(dialog_->RowItem(0).status, item::kDone);
  EXPECT_EQ(dialog_->RowItem(1).status, item::kFailed);
  EXPECT_FALSE(dialog_->Ended());  // a child dialog outlives its runs
}

TEST_F(ChildDialogTest, AppendingDuringARunShowsTheRowAndTheNextRunTakesIt) {
  Embed();
  dialog_->AddItem(Item("/data/200000?throttle=400000", u"slow.bin", 200000));
  std::thread page([this] {
    if (!WaitForTransfer(0)) return;
    view_->Post([this] {
      dialog_->AddItem(Item("/data/10", u"late.bin", 10));
      dialog_->OnStart();  // one run at a time: ignored
    });
  });
  ASSERT_TRUE(view_->RunEmbedded());
  page.join();
  ASSERT_EQ(dialog_->RowCount(), 2u);
  EXPECT_EQ(dialog_->RowItem(1).status, item::kWaiting);
  EXPECT_FALSE(p::PathExists(folder_ / u"late.bin"));
  answers_.duplicates.push_back({existing_file::kSkip, false, {}});  // keep slow.bin
  ASSERT_TRUE(view_->RunEmbedded());
  EXPECT_EQ(ends_, (std::vector<int>{endcode::kCompleted, endcode::kCompleted}));
  EXPECT_EQ(p::FileSizeOf(folder_ / u"late.bin"), 10);
  EXPECT_EQ(p::FileSizeOf(folder_ / u"slow.bin"), 200000);
}

TEST_F(ChildDialogTest, GoingAwayStopsARunWithoutAQuestionOrAnEnd) {
  Embed();
  dialog_->AddItem(Item("/data/2000000?throttle=200000", u"long.bin", 2000000));  // about 10 s
  dialog_->OnStart();
  ASSERT_TRUE(WaitForTransfer(0));
  const uint32_t started = p::SystemClock().TickCount();
  dialog_->OnClose(false);
  dialog_.reset();
  EXPECT_LT(p::SystemClock().TickCount() - started, 3000u);
  EXPECT_TRUE(ends_.empty());
  EXPECT_EQ(out_.str().find("message"), std::string::npos);
}

// The worker waits on the existing-file question that nobody shows while
// the control goes away: the question is given up, not waited on forever.
TEST_F(ChildDialogTest, GoingAwayGivesUpAQuestionTheRunWaitsOn) {
  {
    p::File f = p::File::Open(folder_ / u"a.bin", p::access::kWrite, 0, p::Disposition::kCreateAlways);
    uint32_t n = 0;
    f.Write("old", 3, &n);
  }
  Embed();
  dialog_->AddItem(Item("/data/10", u"a.bin", 10));
  dialog_->OnStart();  // nothing runs the view's queue: the question stays unshown
  ASSERT_TRUE(p::SystemClock().WaitUntil([&] { return dialog_->WaitingForAnswer(); }, 5000, 5));
  dialog_->OnClose(false);
  dialog_.reset();
  EXPECT_EQ(p::FileSizeOf(folder_ / u"a.bin"), 3);
}

}  // namespace
}  // namespace vard
