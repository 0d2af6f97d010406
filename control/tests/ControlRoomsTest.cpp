// The rooms behind the scripting members, through the control with every
// seam faked: what the agent hand-off is given, what the single downloads
// ask and run, the drag-out, and the host facts at their edges.
#include <gtest/gtest.h>

#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/tests/TestFolder.h"
#include "control/CKT5Ctrl.h"
#include "control/ConsoleControlView.h"
#include "control/DispatchIds.h"
#include "control/tests/FakeControlServices.h"

namespace vard {
namespace {

class RoomTest : public ::testing::Test {
 protected:
  void SetUp() override {
    c.CreateControlWindow(&view);
    c.AppendFile(u"http://h/a", u"a", int64_t{1});
    c.AppendFile(u"http://h/b", u"b", int64_t{2});
  }
  Variant Get(int32_t id, std::vector<Variant> args = {}) {
    Variant v;
    EXPECT_EQ(c.Invoke(id, InvokeKind::kGet, args, &v), kSOk);
    return v;
  }

  fakes::FakeControlServices fakes;
  CKT5Ctrl c{fakes.Wire()};
  ConsoleControlView view{400, 300};
  std::vector<AgentHandOffRequest>& handed = fakes.handOff->requests;
};

TEST_F(RoomTest, PlusDownloadHandsTheBatchWithTheSettings) {
  c.put_Language(u"en");
  c.put_ProgramTitle(u"Shop");
  c.put_LimitRate(300);
  c.put_UseFileSizeQueryString(-1);
  c.put_UseUnicode(-1);
  c.put_URLDownloadComplete(u"http://h/done");
  c.SetPageUrl(u"http://h/page.html");
  const size_t loads = fakes.language->loads.size();
  c.StartPlusDownload();
  ASSERT_EQ(handed.size(), 1u);
  const AgentHandOffRequest& r = handed[0];
  ASSERT_TRUE(r.batch.has_value());
  ASSERT_EQ(r.batch->size(), 2u);
  EXPECT_EQ((*r.batch)[1].url, u"http://h/b");
  EXPECT_EQ(r.language, u"en");
  EXPECT_EQ(r.title, u"Shop");
  EXPECT_EQ(r.rateLimitKb, 300u);
  EXPECT_TRUE(r.resumeByQuery);
  EXPECT_TRUE(r.utf8Urls);
  EXPECT_EQ(r.pageUrl, u"http://h/page.html");
  EXPECT_EQ(r.notificationUrl, u"http://h/done");
  EXPECT_EQ(r.logText, u"");
  EXPECT_EQ(fakes.language->loads.size(), loads + 1);  // the pack is reloaded first

  view.SetSelectedRows({1});
  c.put_URLDownloadComplete(u"");
  c.StartPlusSelectDownload();
  ASSERT_EQ(handed.size(), 2u);
  ASSERT_EQ(handed[1].batch->size(), 1u);
  EXPECT_EQ((*handed[1].batch)[0].fileName, u"b");
  EXPECT_FALSE(handed[1].notificationUrl.has_value());
  EXPECT_EQ(fakes.language->loads.size(), loads + 2);
}

TEST_F(RoomTest, SavedDownloadHandsThePendingRecordsWithoutReloadingThePack) {
  c.put_URLDownloadComplete(u"http://h/done");
  const size_t loads = fakes.language->loads.size();
  EXPECT_EQ(c.Invoke(dispid::kSavedDownload, InvokeKind::kMethod, {}, nullptr), kSOk);
  EXPECT_EQ(fakes.language->loads.size(), loads);
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_FALSE(handed[0].batch.has_value());            // records come from the file
  EXPECT_FALSE(handed[0].notificationUrl.has_value());  // never for saved downloads
  EXPECT_EQ(handed[0].title, u"VardKT");
}

TEST_F(RoomTest, SavedFileCountComesFromTheFileOrStaysUnset) {
  fakes.savedDownloads->count = 3;
  EXPECT_EQ(Get(dispid::kSavedFileCount).number, 3);
  EXPECT_EQ(Get(dispid::kSavedFileCount).type, Variant::Type::kUI4);
  fakes.savedDownloads->count = std::nullopt;
  EXPECT_TRUE(Get(dispid::kSavedFileCount).IsEmpty());
}

TEST_F(RoomTest, SingleDownloadAsksThenDownloadsAndOpens) {
  fakes.network->size = 777;
  c.put_UseUnicode(-1);
  c.SetPageUrl(u"http://h/d/p.html");

  // Cancelled: nothing runs; the size was asked because the page gave none.
  c.SingleDownload(u"files/r%41.pdf", std::nullopt, std::nullopt);
  ASSERT_EQ(fakes.dialogs->asked.size(), 1u);
  EXPECT_EQ(fakes.dialogs->asked[0].first, u"rA.pdf");  // decoded, last component
  EXPECT_EQ(fakes.dialogs->asked[0].second, 777);
  EXPECT_EQ(fakes.network->asked.back(), u"http://h/d/files/rA.pdf");
  EXPECT_TRUE(fakes.network->askedUtf8);
  EXPECT_TRUE(fakes.dialogs->singleRuns.empty());

  // Save: the chosen path, not opened afterwards; full paths only for the run.
  fakes.dialogs->answer = OpenOrSaveAnswer{OpenOrSaveAnswer::Choice::kSave, u"C:\\keep\\r.pdf"};
  c.SingleDownload(u"files/r.pdf", u"x/shown.pdf", int64_t{5});
  ASSERT_EQ(fakes.dialogs->singleRuns.size(), 1u);
  EXPECT_EQ(fakes.dialogs->asked.back().first, u"shown.pdf");
  EXPECT_EQ(fakes.dialogs->asked.back().second, 5);
  const auto& saved = fakes.dialogs->singleRuns[0];
  EXPECT_EQ(saved.file.url, u"http://h/d/files/r.pdf");
  EXPECT_EQ(saved.file.fileName, u"C:\\keep\\r.pdf");
  EXPECT_EQ(saved.file.fileSize, 5);
  EXPECT_TRUE(saved.fullPaths);
  EXPECT_FALSE(saved.openAfter);
  EXPECT_FALSE(c.Dialog().useFullPath);
  EXPECT_TRUE(c.Settings().openAfterDownload);  // set again after every run

  // Open: into the temporary folder, opened afterwards.
  fakes.dialogs->answer = OpenOrSaveAnswer{OpenOrSaveAnswer::Choice::kOpen, u""};
  c.SingleDownload(u"files/r.pdf", std::nullopt, int64_t{5});
  ASSERT_EQ(fakes.dialogs->singleRuns.size(), 2u);
  EXPECT_EQ(fakes.dialogs->singleRuns[1].file.fileName, TemporaryTarget(u"", u"r.pdf"));
  EXPECT_TRUE(fakes.dialogs->singleRuns[1].openAfter);
}

TEST_F(RoomTest, SingleDownloadResolvesTheUrlAsThePageGaveIt) {
  c.put_UseBase64Encode(-1);
  c.SetPageUrl(u"http://h/d/p.html");
  fakes.dialogs->answer = OpenOrSaveAnswer{OpenOrSaveAnswer::Choice::kSaveAndOpen, u"C:\\s.txt"};
  c.SingleDownload(u"c3ViL2EudHh0", std::nullopt, int64_t{1});  // "sub/a.txt"
  ASSERT_EQ(fakes.dialogs->singleRuns.size(), 1u);
  EXPECT_EQ(fakes.dialogs->asked[0].first, u"a.txt");
  EXPECT_EQ(fakes.dialogs->singleRuns[0].file.url, u"http://h/d/sub/a.txt");
  EXPECT_TRUE(fakes.dialogs->singleRuns[0].openAfter);
  c.DownloadAndOpen(u"", std::nullopt, std::nullopt, std::nullopt);  // empty: nothing
  EXPECT_EQ(fakes.dialogs->singleRuns.size(), 1u);
}

// DownloadAndOpen without a size asks it through the control's network, so
// the page's going away ends the query; a page that went away tells it.
TEST_F(RoomTest, DownloadAndOpenAsksASizeOfZeroWhereThePageCanEndIt) {
  fakes.network->size = 321;
  c.DownloadAndOpen(u"http://h/z.bin", std::nullopt, std::nullopt, std::nullopt);
  ASSERT_EQ(fakes.network->asked.size(), 1u);
  ASSERT_EQ(fakes.dialogs->singleRuns.size(), 1u);
  EXPECT_EQ(fakes.dialogs->singleRuns[0].file.fileSize, 321);
  EXPECT_FALSE(fakes.dialogs->singleRuns[0].file.sizeUnknown);
  fakes.network->size = std::nullopt;
  c.DownloadAndOpen(u"http://h/y.bin", std::nullopt, std::nullopt, std::nullopt);
  EXPECT_TRUE(fakes.dialogs->singleRuns[1].file.sizeUnknown);
  c.DownloadAndOpen(u"http://h/x.bin", std::nullopt, int64_t{9}, std::nullopt);
  EXPECT_EQ(fakes.network->asked.size(), 2u);  // a size the page gave is not asked
  EXPECT_FALSE(fakes.network->goneAway);
  c.PageGoingAway();
  EXPECT_TRUE(fakes.network->goneAway);
}

TEST(TemporaryTargetTest, ExistingSettingElseTheSystemFolder) {
  std::u16string system = platform::TempFolder();
  system.pop_back();
  EXPECT_EQ(TemporaryTarget(u"", u"f.txt"), system + u"\\f.txt");
  EXPECT_EQ(TemporaryTarget(system + u"\\no-such-folder-of-ours", u"f.txt"), system + u"\\f.txt");
  const platform::testing::TestFolder mine;
  EXPECT_EQ(TemporaryTarget(mine.Path(), u"f.txt"), mine / u"f.txt");
}

TEST_F(RoomTest, DragOutDownloadsIntoTheDropFolder) {
  view.SetSelectedRows({0});
  fakes.shell->dropFolder = u"C:\\drop";
  c.OnBeginDrag();
  EXPECT_EQ(fakes.shell->drags, 1);
  ASSERT_EQ(fakes.dialogs->listRuns, 1);
  EXPECT_EQ(fakes.dialogs->lastBatch[0].fileName, u"C:\\drop\\a");
  EXPECT_TRUE(fakes.dialogs->fullPathsDuringRun);
  EXPECT_EQ(fakes.dialogs->lastOwner, DialogOwner::kParentWindow);
  c.put_UseDragDrop(0);
  c.OnBeginDrag();
  EXPECT_EQ(fakes.shell->drags, 1);
}

TEST_F(RoomTest, HostFactsPastTheEnd) {
  // 10.0.0.1, 127.0.0.1, 192.168.1.2 as the system stores them.
  fakes.hostInfo->ipv4 = {0x0100000Au, 0x0100007Fu, 0x0201A8C0u};
  fakes.hostInfo->adapters = {{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}};
  EXPECT_EQ(c.GetIPCount(), 2u);
  EXPECT_EQ(c.GetIP(1), u"192.168.1.2");
  for (uint32_t past : {2u, 3u, 0xFFFFFFFFu}) {
    Variant out;
    c.Invoke(dispid::kGetIP, InvokeKind::kMethod, {Variant::UI4(past)}, &out);
    EXPECT_EQ(out.type, Variant::Type::kString) << past;
    EXPECT_EQ(out.text, u"") << past;
  }
  EXPECT_EQ(c.GetMACCount(), 1);
  EXPECT_EQ(c.GetMAC(0), u"00:1a:2b:3c:4d:5e");
  Variant mac;
  c.Invoke(dispid::kGetMAC, InvokeKind::kMethod, {Variant::UI4(1)}, &mac);
  EXPECT_TRUE(mac.IsEmpty());
  fakes.hostInfo->ipv4.clear();  // a failing query
  Variant ip;
  c.Invoke(dispid::kGetIP, InvokeKind::kMethod, {Variant::UI4(0)}, &ip);
  EXPECT_EQ(ip.type, Variant::Type::kString);
}

}  // namespace
}  // namespace vard
