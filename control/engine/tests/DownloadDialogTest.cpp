// The download dialog's presenter over the console view, running real
// downloads from the loopback test server.
#include "control/engine/DownloadDialog.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "common/http/tests/TestEndpoint.h"
#include "common/platform/tests/RegistryFixture.h"
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
    if (config.options.downloadFolder.empty()) config.options.downloadFolder = folder_.Path();
    config.messageCaption = u"Alert - ABC";
    dialog_ = std::make_unique<DownloadDialog>(Services(), config, std::move(items));
    view_ = std::make_unique<ConsoleDownloadDialogView>(out_, nullptr, false, p::SystemClock(), answers_, u"File Download");
    return view_->RunModal(*dialog_);
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
    std::thread closer([this] {
      p::SystemClock().Sleep(300);
      view_->Post([this] { dialog_->OnClose(true); });
    });
    // About 1.5 s at 200 kB/s.
    const int code = Run({Item("/data/300000?throttle=200000", stop ? u"stopped.bin" : u"slow.bin", 300000)}, config);
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
  EXPECT_EQ(dialog_->RowText(0, 2), u"");     // failed: no status text
  EXPECT_EQ(dialog_->RowText(1, 2), u"T116");  // not found: cancelled
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
  answers_.duplicates.push_back({duplicate::kOverwrite, false, {}});
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
  answers_.duplicates.push_back({duplicate::kCancel, false, {}});  // keep slow.bin
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
  p::SystemClock().Sleep(200);
  dialog_->OnClose(false);
  dialog_.reset();
  EXPECT_EQ(p::FileSizeOf(folder_ / u"a.bin"), 3);
}

}  // namespace
}  // namespace vard
