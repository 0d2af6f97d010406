#include "agent/views/MainView.h"

#include <gtest/gtest.h>

#include "common/handoff/AgentNames.h"
#include "common/handoff/HandOffWriter.h"
#include "common/handoff/SavedDownloads.h"
#include "common/handoff/tests/MemoryRegions.h"
#include "common/platform/tests/TestFolder.h"
#include "common/respack/LanguageStore.h"
#include "agent/testing/ManualUiThread.h"
#include "agent/testing/MemoryRegistry.h"
#include "agent/testing/RecordingWindow.h"
#include "common/platform/testing/FakeClock.h"

namespace vard {
namespace {

struct RecordingFrame : IViewFrame {
  void SetCaption(const std::u16string& c) override { caption = c; }
  void ShowForBatch() override { ++shows; }
  void ShowMessage(const std::u16string& text, const std::u16string& cap) override { messages.push_back(cap + u"|" + text); }
  std::u16string caption;
  int shows = 0;
  std::vector<std::u16string> messages;
};

class MainViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LanguageTables t;
    t.strings[108] = u"An unknown error has occurred.";
    t.strings[501] = u"Alert";
    t.strings[201] = u"File Name";
    t.strings[503] = u"Wait";
    LanguageStore::Instance().Replace(t);
  }
  void TearDown() override { LanguageStore::Instance().Clear(); }

  MainViewSetup Setup(AgentMode mode) {
    MainViewSetup s;
    s.mode = mode;
    s.reader.regions = &mem;
    s.reader.saved_downloads_path = dir / u"kt_save.dat";
    s.registry = &registry;
    s.documentsFolder = [] { return std::u16string(u"\\docs"); };
    return s;
  }
  std::unique_ptr<CMainView> Make(AgentMode mode) {
    auto view = CMainView::Create(frame, ui, Setup(mode));
    view->AttachWindow(&window);
    return view;
  }
  void Hand(std::vector<std::u16string> names, std::u16string title = u"") {
    DownloadHandOff b;
    b.title = std::move(title);
    for (const auto& n : names) b.records.push_back(MakeDownloadRecord(u"http://h/" + n, u"sub", n, 2048, 0));
    writer.Write(b);
  }

  platform::testing::TestFolder dir;
  testing::MemoryRegions mem;
  DownloadHandOffWriter writer{mem};
  RecordingFrame frame;
  platform::testing::FakeClock clock;
  vard::testing::ManualUiThread ui{clock};
  vard::testing::MemoryRegistry registry;
  vard::testing::RecordingWindow window;
};

TEST_F(MainViewTest, DownloadViewReadsAtCreationAndOnEveryInsert) {
  Hand({u"a.txt", u"b.txt"}, u"My title");
  auto made = Make(AgentMode::kDownload);
  CMainView& view = *made;
  view.OnCreate();
  ASSERT_EQ(view.Entries().size(), 2u);
  EXPECT_EQ(frame.caption, u"My title");
  EXPECT_EQ(frame.shows, 1);
  EXPECT_EQ(view.JobTotal(), 4096);

  // The start-up read consumed the regions: the launcher's insert adds
  // nothing, and the list is still there to show.
  EXPECT_EQ(view.OnRegisteredMessage(kInsertQueueMessage, 0, 0), 1);
  EXPECT_EQ(view.Entries().size(), 2u);

  // A later batch is appended; a duplicate name is renamed.
  Hand({u"a.txt"});
  EXPECT_EQ(view.OnRegisteredMessage(kInsertQueueMessage, 0, 0), 1);
  ASSERT_EQ(view.Entries().size(), 3u);
  EXPECT_NE(view.Entries()[2]->Text(0), u"a.txt");
  EXPECT_EQ(SavedFileCount(dir / u"kt_save.dat"), 3);
  // Other registered messages do nothing.
  Hand({u"c.txt"});
  EXPECT_EQ(view.OnRegisteredMessage(u"something_else", 0, 0), 0);
  EXPECT_EQ(view.Entries().size(), 3u);
}

TEST_F(MainViewTest, UploadViewWaitsForItsFirstInsert) {
  auto made = Make(AgentMode::kUpload);
  CMainView& view = *made;
  view.OnCreate();
  EXPECT_EQ(frame.shows, 0);
  // The upload regions are empty: the read fails with the error message.
  EXPECT_EQ(view.OnInsertQueue(), 0);
  EXPECT_EQ(window.messages.size(), 0u);  // nothing was handed: no action block
}

TEST_F(MainViewTest, EmptyBatchShowsTheErrorAndNoWindow) {
  Hand({});
  auto made = Make(AgentMode::kDownload);
  CMainView& view = *made;
  view.OnCreate();
  EXPECT_EQ(frame.shows, 0);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0], u"Alert|An unknown error has occurred.");
}

TEST_F(MainViewTest, DumpListsEveryEntryAsValidJson) {
  Hand({u"quote\"d.txt", u"\u4e00\u4e8c.bin"});
  auto made = Make(AgentMode::kDownload);
  CMainView& view = *made;
  view.OnCreate();
  const std::string dump = view.Dump();
  EXPECT_NE(dump.find("\"class\":\"vardel_MWKTPlusProc_Download_view_Class\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"name\":\"quote\\\"d.txt\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"name\":\"\xe4\xb8\x80\xe4\xba\x8c.bin\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"folder\":\"sub\",\"size\":2048,\"status\":1"), std::string::npos) << dump;
  EXPECT_NE(dump.find("[\"quote\\\"d.txt\",\"sub\",\"2.00KB\",\"Wait\"]"), std::string::npos) << dump;
  EXPECT_EQ(dump.front(), '{');
  EXPECT_EQ(dump.back(), '}');
}

}  // namespace
}  // namespace vard
