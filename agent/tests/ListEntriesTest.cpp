#include "agent/ListEntries.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/handoff/HandOffWriter.h"
#include "common/respack/LanguageStore.h"

namespace vard {
namespace {

COOKIE_INFO Cookie(int32_t flag, std::u16string_view text) {
  COOKIE_INFO c;
  std::memset(&c, 0, sizeof c);
  c.resume_by_query = flag;
  StoreField(c.cookie, text);
  return c;
}

class ListEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    LanguageTables t;
    for (uint32_t i = 0; i < 5; ++i) t.strings[502 + i] = std::u16string(u"S") + char16_t(u'0' + i);
    LanguageStore::Instance().Replace(t);
  }
  void TearDown() override { LanguageStore::Instance().Clear(); }
};

TEST_F(ListEntries, DownloadEntryTakesRecordAndCookieBlock) {
  DOWNLOAD_INFO r = MakeDownloadRecord(u"http://h/a", std::u16string(300, u'\\'), u"a.txt", 2048, 30);
  r.is_folder = 1;
  StoreField(r.folder, u"sub\\deeper\\x");
  CDownloadFile e(r, Cookie(1, std::u16string(2048, u'c')), u"a(1).txt", 5);
  EXPECT_EQ(ReadField(e.path), u"a(1).txt");
  EXPECT_EQ(ReadField(e.folder), u"sub/deeper/x");
  EXPECT_EQ(e.Text(1), u"sub\\deeper\\x");
  EXPECT_EQ(e.url, u"http://h/a");
  EXPECT_EQ(e.cookie.size(), 2047u);
  EXPECT_EQ(e.resume_by_query, 1);
  EXPECT_EQ(e.speed_limit_kb, 30);
  EXPECT_EQ(e.is_folder, 1);
  EXPECT_EQ(e.Icon(0), 5);
  EXPECT_EQ(e.Icon(1), -1);
  EXPECT_EQ(e.status, 1);
  EXPECT_EQ(ReadField(e.resume_mark), u"n");
  EXPECT_EQ(ReadField(e.remaining_time), u"00:00:00");
  EXPECT_EQ(CDownloadFile(r, Cookie(2, u""), u"a", 0).resume_by_query, 0);
  EXPECT_EQ(CDownloadFile(r, Cookie(-1, u""), u"a", 0).resume_by_query, 0);
}

TEST_F(ListEntries, FolderIsCutTo260UnitsAndSlashed) {
  std::u16string longFolder(521, u'\\');
  DOWNLOAD_INFO r = MakeDownloadRecord(u"u", longFolder, u"f", 1, 0);
  CDownloadFile e(r, Cookie(0, u""), u"f", 0);
  EXPECT_EQ(ReadField(e.folder), std::u16string(260, u'/'));
}

TEST_F(ListEntries, ColumnTextsAndPercent) {
  DOWNLOAD_INFO r = MakeDownloadRecord(u"u", u"", u"a.txt", 1000, 0);
  CDownloadFile e(r, Cookie(0, u""), u"a.txt", 0);
  EXPECT_EQ(e.Text(0), u"a.txt");
  EXPECT_EQ(e.Text(2), u"0.97KB");
  EXPECT_EQ(e.Text(3), u"S1");
  e.status = entry_status::kTransferring;
  e.bytes_done = 999;
  EXPECT_EQ(e.Percent(3), 99);
  EXPECT_EQ(e.Percent(2), 0);
  EXPECT_EQ(e.Text(3), u"99%");
  EXPECT_TRUE(e.HasBar(3));
  EXPECT_FALSE(e.HasBar(2));
  e.status = entry_status::kDone;
  EXPECT_EQ(e.Text(3), u"S4");

  DOWNLOAD_INFO m = MakeDownloadRecord(u"this_is_folder", u"", u"dir", 0, 0);
  CDownloadFile marker(m, Cookie(0, u""), u"dir", 0);
  EXPECT_TRUE(marker.IsFolderMarker());
  EXPECT_EQ(marker.Text(2), u"");
  EXPECT_EQ(marker.Percent(3), 0);
  marker.status = entry_status::kDone;
  EXPECT_EQ(marker.Percent(3), 100);
}

struct RecordingShell final : IShellOpen {
  void OpenFile(const std::u16string& path) override { opened.push_back(path); }
  std::vector<std::u16string> opened;
};

TEST_F(ListEntries, DoubleClickOpensOnlyADownloadedFileThroughTheViewsShell) {
  RecordingShell shell;
  CDownloadFile e(MakeDownloadRecord(u"http://h/a", u"", u"a.txt", 1, 0), Cookie(0, u""), u"a.txt", 0);
  CListData& row = e;
  row.Open(shell);  // not downloaded yet: nowhere to open
  EXPECT_TRUE(shell.opened.empty());
  e.local_path = u"C:\\d\\a.txt";
  row.Open(shell);
  EXPECT_EQ(shell.opened, std::vector<std::u16string>{u"C:\\d\\a.txt"});

  FILE_INFO f;
  std::memset(&f, 0, sizeof f);
  StoreField(f.path, u"C:\\up\\b.txt");
  auto up = std::make_shared<CUploadFile>(f, ACTION_INFO{}, nullptr, 0);
  static_cast<CListData&>(*up).Open(shell);  // uploads open nothing
  EXPECT_EQ(shell.opened.size(), 1u);
}

TEST_F(ListEntries, UploadEntryCopiesRecordActionAndPairsUpToTheFirstEmptyName) {
  FILE_INFO f;
  std::memset(&f, 0xAB, sizeof f);  // unterminated texts, garbage icon
  f.utf8_names = 1;
  f.is_folder = 0;
  f.file_size = 10;
  StoreField(f.path, u"C:\\docs\\r.pdf");
  for (auto& ch : f.folder) ch = u'F';
  ACTION_INFO a;
  std::memset(&a, 0, sizeof a);
  a.part_size = 4096;
  StoreField(a.action_url, u"http://up");
  auto post = std::make_unique<POST_DATAS>();
  std::memset(post.get(), 0, sizeof(POST_DATAS));
  StoreField(post->pairs[0].name, u"n0");
  StoreField(post->pairs[0].value, u"v0");
  StoreField(post->pairs[1].name, u"n1");
  StoreField(post->pairs[3].name, u"after-gap");
  auto e = std::make_shared<CUploadFile>(f, a, post.get(), 3);
  EXPECT_EQ(e->icon_index, 3);
  EXPECT_EQ(ReadField(e->server_name), u"r.pdf");
  EXPECT_EQ(e->Text(0), u"r.pdf");
  EXPECT_EQ(ReadField(e->folder).size(), 260u);
  EXPECT_EQ(e->part_size, 4096);
  EXPECT_EQ(ReadField(e->action_url), u"http://up");
  EXPECT_EQ(e->PostPairCount(), 2);
  EXPECT_EQ(ReadField(e->pairs[0].value), u"v0");
  EXPECT_EQ(e->pairs[3].name[0], 0);

  for (int k = 0; k < kPostPairs; ++k) StoreField(post->pairs[k].name, u"k");
  EXPECT_EQ(CUploadFile(f, a, post.get(), 0).PostPairCount(), 99);
  EXPECT_EQ(CUploadFile(f, a, nullptr, 0).PostPairCount(), 0);
}

}  // namespace
}  // namespace vard
