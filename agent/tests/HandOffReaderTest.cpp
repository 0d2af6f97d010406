#include "agent/HandOffReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "agent/tests/FakeHandOffView.h"
#include "common/handoff/HandOffWriter.h"
#include "common/handoff/SavedDownloads.h"
#include "common/handoff/tests/MemoryRegions.h"
#include "common/platform/tests/TestFolder.h"
#include "common/respack/LanguageStore.h"

namespace vard {
namespace {

using testing::FakeHandOffView;
using testing::MemoryRegions;

bool AllZero(const std::vector<uint8_t>& b) {
  return std::all_of(b.begin(), b.end(), [](uint8_t x) { return x == 0; });
}

class DownloadRead : public ::testing::Test {
 protected:
  void SetUp() override {
    LanguageTables t;
    t.strings[108] = u"An unknown error has occurred.\nPlease try again.";
    t.strings[501] = u"Alert";
    LanguageStore::Instance().Replace(t);
  }
  void TearDown() override { LanguageStore::Instance().Clear(); }
  int Read() {
    HandOffReaderSetup setup;
    setup.regions = &mem;
    setup.saved_downloads_path = dir / u"kt_save.dat";
    return DownloadHandOffReader(view, list, setup).ReadHandOff();
  }
  void Hand(std::vector<DOWNLOAD_INFO> records, std::u16string title = u"", std::u16string noti = u"") {
    if (!writer) writer = std::make_unique<DownloadHandOffWriter>(mem);
    DownloadHandOff b;
    b.title = title;
    if (!noti.empty()) b.notification_url = noti;
    b.cookie = u"sid=9";
    b.resume_by_query = true;
    b.records = std::move(records);
    writer->Write(b);
  }
  static DOWNLOAD_INFO Rec(std::u16string_view name, std::u16string_view url = u"http://h/f", int64_t size = 100) {
    return MakeDownloadRecord(url, u"d\\e", name, size, 0);
  }
  std::vector<uint8_t>& Region(const char16_t* name, size_t size) { return mem.Bytes(name, size); }

  platform::testing::TestFolder dir;
  MemoryRegions mem;
  // Kept for the whole test, as the control keeps its regions.
  std::unique_ptr<DownloadHandOffWriter> writer;
  FakeHandOffView view;
  EntryList list;
};

TEST_F(DownloadRead, BatchBecomesEntriesAndEveryRegionIsConsumed) {
  Hand({Rec(u"one.bin", u"http://h/1", 10), Rec(u"dir", kFolderMarkerUrl, 0)}, u"My title", u"http://h/noti");
  ASSERT_EQ(Read(), 1);
  EXPECT_EQ(view.caption, u"My title");
  EXPECT_EQ(view.notification_url, u"http://h/noti");
  ASSERT_EQ(list.size(), 2u);
  auto* first = static_cast<CDownloadFile*>(list[0].get());
  EXPECT_EQ(first->cookie, u"sid=9");
  EXPECT_EQ(first->resume_by_query, 1);
  EXPECT_EQ(ReadField(first->folder), u"d/e");
  EXPECT_EQ(first->icon_index, 7);
  auto* marker = static_cast<CDownloadFile*>(list[1].get());
  EXPECT_TRUE(marker->IsFolderEntry());
  EXPECT_EQ(view.icon_requests, (std::vector<std::u16string>{u"one.bin#8", u"dir#1"}));
  EXPECT_EQ(view.job_total, 10);
  EXPECT_EQ(view.shown, std::vector<size_t>{0});
  EXPECT_TRUE(view.messages.empty());
  for (auto* name : {region_name::kDownloadTitle, region_name::kDownloadUrlNoti})
    EXPECT_TRUE(AllZero(Region(name, sizeof(TextRegion))));
  EXPECT_TRUE(AllZero(Region(region_name::kDownloadCookie, sizeof(CookieRegion))));
  EXPECT_EQ(mem.As<DownloadRecordRegion>(region_name::kDownload).count, 0);
  EXPECT_EQ(SavedFileCount(dir / u"kt_save.dat"), 2);
}

TEST_F(DownloadRead, TwoReadsOfOneBatchAddItOnce) {
  Hand({Rec(u"a.txt")});
  EXPECT_EQ(Read(), 1);
  EXPECT_EQ(Read(), 1);  // nothing new, but the list is not empty
  EXPECT_EQ(list.size(), 1u);
  EXPECT_EQ(view.shown, (std::vector<size_t>{0, 1}));
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(DownloadRead, EmptyBatchIntoEmptyListShowsTheError) {
  Hand({});
  EXPECT_EQ(Read(), 0);
  EXPECT_EQ(view.messages, std::vector<std::u16string>{u"Alert|An unknown error has occurred.\nPlease try again."});
  EXPECT_TRUE(view.shown.empty());
}

TEST_F(DownloadRead, DuplicatesAreRenamedButSavedUnderTheirOwnName) {
  Hand({Rec(u"a.txt"), Rec(u"a.txt"), Rec(u"a.txt")});
  ASSERT_EQ(Read(), 1);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(ReadField(list[0]->path), u"a.txt");
  EXPECT_EQ(ReadField(list[1]->path), u"a(1).txt");
  EXPECT_EQ(ReadField(list[2]->path), u"a(2).txt");
  const auto saved = PendingSavedDownloads(dir / u"kt_save.dat");
  ASSERT_EQ(saved.size(), 3u);
  const DOWNLOAD_INFO sent = Rec(u"a.txt");
  for (const auto& r : saved) EXPECT_EQ(std::memcmp(&r, &sent, sizeof r), 0);
}

TEST_F(DownloadRead, CountAbove999ReadsAs999) {
  auto& down = mem.As<DownloadRecordRegion>(region_name::kDownload);
  for (int i = 0; i < kMaxHandOffRecords; ++i) down.records[i] = Rec(u"f.txt");
  down.count = 5000;
  ASSERT_EQ(Read(), 1);
  EXPECT_EQ(list.size(), 999u);
  EXPECT_EQ(ReadField(list[998]->path), u"f(998).txt");
}

TEST_F(DownloadRead, FailedRegionsStopTheReadAndReleaseWhatWasOpened) {
  Hand({Rec(u"a.txt")}, u"title");
  mem.failing = {region_name::kDownloadUrlNoti};
  EXPECT_EQ(Read(), 0);
  EXPECT_TRUE(view.messages.empty());
  mem.failing = {region_name::kDownloadTitle};
  EXPECT_EQ(Read(), 0);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(view.caption, u"");

  Hand({Rec(u"a.txt")}, u"title");
  mem.failing = {region_name::kDownload};
  EXPECT_EQ(Read(), 0);
  EXPECT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.caption, u"title");
  // Everything opened before the failure has been consumed.
  EXPECT_TRUE(AllZero(Region(region_name::kDownloadTitle, sizeof(TextRegion))));
  EXPECT_TRUE(AllZero(Region(region_name::kDownloadCookie, sizeof(CookieRegion))));
  EXPECT_TRUE(list.empty());
}

TEST_F(DownloadRead, UnterminatedTextsStayInsideTheirFields) {
  auto& title = mem.As<TextRegion>(region_name::kDownloadTitle);
  std::fill(std::begin(title.text), std::end(title.text), u'T');
  auto& down = mem.As<DownloadRecordRegion>(region_name::kDownload);
  down.count = 1;
  std::memset(&down.records[0], 0x41, sizeof(DOWNLOAD_INFO));
  ASSERT_EQ(Read(), 1);
  EXPECT_EQ(view.caption.size(), 512u);
  EXPECT_EQ(ReadField(list[0]->path).size(), 260u);
  EXPECT_EQ(static_cast<CDownloadFile*>(list[0].get())->url.size(), 2084u);
}

class UploadRead : public DownloadRead {
 protected:
  int ReadUp(int autoSend = kAutoSendOn) {
    HandOffReaderSetup setup;
    setup.regions = &mem;
    setup.auto_send = [autoSend] { return autoSend; };
    return UploadHandOffReader(view, list, setup).ReadHandOff();
  }
  void HandUp(int files, int32_t present = 1) {
    auto& action = mem.As<ActionRegion>(region_name::kUploadAction);
    action.present = present;
    action.info.part_size = 1024;
    StoreField(action.info.action_url, u"http://up/a");
    auto& up = mem.As<UploadRecordRegion>(region_name::kUpload);
    up.count = files;
    for (int i = 0; i < files; ++i) {
      StoreField(up.records[i].path, u"C:\\in\\f" + std::u16string(1, char16_t(u'0' + i)) + u".txt");
      up.records[i].file_size = 5;
    }
    StoreField(mem.As<TextRegion>(region_name::kUploadTitle).text, u"Up");
  }
};

TEST_F(UploadRead, BatchIsAddedAndAutoSendStartsTheJob) {
  HandUp(2);
  auto& post = mem.As<PostDataRegion>(region_name::kUploadPostData);
  for (int k = 0; k < kPostPairs; ++k) StoreField(post.blocks[1].pairs[k].name, u"n");
  ASSERT_EQ(ReadUp(), 1);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(view.caption, u"Up");
  auto* second = static_cast<CUploadFile*>(list[1].get());
  EXPECT_EQ(second->PostPairCount(), 99);
  EXPECT_EQ(static_cast<CUploadFile*>(list[0].get())->PostPairCount(), 0);
  EXPECT_EQ(ReadField(second->action_url), u"http://up/a");
  EXPECT_EQ(ReadField(second->server_name), u"f1.txt");
  EXPECT_EQ(view.job_total, 10);
  EXPECT_EQ(view.jobs_started, 1);
  EXPECT_EQ(mem.As<ActionRegion>(region_name::kUploadAction).present, 0);
  EXPECT_EQ(mem.As<UploadRecordRegion>(region_name::kUpload).count, 0);
  EXPECT_EQ(post.blocks[1].pairs[98].name[0], 0);
}

TEST_F(UploadRead, AutoSendOffOrRunningJobDoesNotStartIt) {
  HandUp(1);
  ASSERT_EQ(ReadUp(0), 1);
  EXPECT_EQ(view.jobs_started, 0);
  HandUp(1);
  view.job_running = true;
  ASSERT_EQ(ReadUp(), 1);
  EXPECT_EQ(view.jobs_started, 0);
  EXPECT_EQ(list.size(), 2u);
}

TEST_F(UploadRead, AbsentActionAddsNothingSilently) {
  HandUp(3, 0);
  EXPECT_EQ(ReadUp(), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(mem.As<UploadRecordRegion>(region_name::kUpload).count, 0);
}

TEST_F(UploadRead, EmptyListOrMissingRegionShowsTheError) {
  HandUp(0);
  EXPECT_EQ(ReadUp(), 0);
  EXPECT_EQ(view.messages.size(), 1u);
  HandUp(1);
  mem.failing = {region_name::kUpload};
  EXPECT_EQ(ReadUp(), 0);
  EXPECT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(mem.As<ActionRegion>(region_name::kUploadAction).present, 0);
}

}  // namespace
}  // namespace vard
