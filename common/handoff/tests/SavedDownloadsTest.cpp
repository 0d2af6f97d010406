#include "common/handoff/SavedDownloads.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/handoff/HandOffWriter.h"
#include "common/handoff/SavedDownloadMarker.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

using platform::testing::TestFolder;

DOWNLOAD_INFO Rec(std::u16string_view url, int32_t state) {
  DOWNLOAD_INFO r = MakeDownloadRecord(url, u"", u"a.txt", 10, 0);
  r.state = state;
  return r;
}

void WriteRaw(const std::u16string& path, const void* data, uint32_t size) {
  auto f = platform::File::Open(path, platform::access::kWrite, 0, platform::Disposition::kOpenAlways);
  ASSERT_TRUE(f.IsOpen());
  f.Seek(0, platform::SeekFrom::kEnd);
  uint32_t written = 0;
  ASSERT_TRUE(f.Write(data, size, &written));
}

TEST(SavedDownloads, CountsOnlyPendingWholeRecords) {
  TestFolder dir;
  const auto path = dir / u"kt_save.dat";
  EXPECT_EQ(SavedFileCount(path), 0);
  const DOWNLOAD_INFO one = Rec(u"u1", 1), two = Rec(u"u2", 2);
  WriteRaw(path, &one, sizeof one);
  WriteRaw(path, &two, sizeof two);
  EXPECT_EQ(SavedFileCount(path), 1);

  const auto cut = dir / u"cut.dat";
  WriteRaw(cut, &one, sizeof one);
  WriteRaw(cut, &one, 100);
  EXPECT_EQ(platform::FileSizeOf(cut), 5860);
  EXPECT_EQ(SavedFileCount(cut), 1);
  EXPECT_EQ(PendingSavedDownloads(cut).size(), 1u);
}

TEST(SavedDownloads, AppendKeepsRecordsUnchangedAndPendingComeInFileOrder) {
  TestFolder dir;
  const auto path = dir / u"kt_save.dat";
  {
    SavedDownloadsAppender out(path);
    ASSERT_TRUE(out.IsOpen());
    out.Append(Rec(u"a", 1));
    out.Append(Rec(u"b", 2));
    // A second opener may read (and append) while we hold it.
    EXPECT_EQ(SavedFileCount(path), 1);
    out.Append(Rec(u"c", 1));
  }
  EXPECT_EQ(platform::FileSizeOf(path), 3 * 5760);
  const auto pending = PendingSavedDownloads(path);
  ASSERT_EQ(pending.size(), 2u);
  EXPECT_EQ(ReadField(pending[0].url), u"a");
  EXPECT_EQ(ReadField(pending[1].url), u"c");
  const DOWNLOAD_INFO expected = Rec(u"c", 1);
  EXPECT_EQ(std::memcmp(&pending[1], &expected, sizeof expected), 0);
}

TEST(SavedDownloads, MarkTouchesOnlyTheFirstRecordOfAUrl) {
  TestFolder dir;
  const auto path = dir / u"kt_save.dat";
  {
    SavedDownloadsAppender out(path);
    out.Append(Rec(u"http://h/x", 1));
    out.Append(Rec(u"http://h/y", 1));
    out.Append(Rec(u"http://h/x", 1));
  }
  EXPECT_TRUE(MarkSavedDownloadDone(path, u"http://h/x"));
  EXPECT_EQ(SavedFileCount(path), 2);
  // The first one again (already 2): the later duplicate stays pending.
  EXPECT_TRUE(MarkSavedDownloadDone(path, u"http://h/x"));
  EXPECT_EQ(SavedFileCount(path), 2);
  EXPECT_FALSE(MarkSavedDownloadDone(path, u"HTTP://h/y"));
  EXPECT_FALSE(MarkSavedDownloadDone(path, u"http://h/"));
  EXPECT_TRUE(MarkSavedDownloadDone(path, u"http://h/y"));
  const auto pending = PendingSavedDownloads(path);
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(pending[0].file_size, 10);
  EXPECT_EQ(platform::FileSizeOf(path), 3 * 5760);
}

// One marker serves a whole run: what it learnt must stay true while the
// agent appends (past a chunk of reads, and after a piece became a record),
// and must not mislead it once the file was made anew.
TEST(SavedDownloads, AMarkerFollowsAppendsAndAFileMadeAnew) {
  TestFolder dir;
  const auto path = dir / u"kt_save.dat";
  SavedDownloadMarker marker(path);
  EXPECT_FALSE(marker.MarkDone(u"u0"));  // no file yet
  {
    SavedDownloadsAppender out(path);
    for (int i = 0; i < 100; ++i) out.Append(Rec(u"u" + AsciiToUtf16(std::to_string(i % 90)), 1));
  }
  EXPECT_TRUE(marker.MarkDone(u"u70"));
  EXPECT_TRUE(marker.MarkDone(u"u5"));
  EXPECT_TRUE(marker.MarkDone(u"u5"));  // the first record again; its duplicate stays pending
  EXPECT_FALSE(marker.MarkDone(u"u95"));
  EXPECT_EQ(SavedFileCount(path), 98);

  const DOWNLOAD_INFO late = Rec(u"u95", 1);
  WriteRaw(path, &late, 1000);
  EXPECT_FALSE(marker.MarkDone(u"u95"));  // a piece is not a record yet
  WriteRaw(path, reinterpret_cast<const char*>(&late) + 1000, sizeof late - 1000);
  EXPECT_TRUE(marker.MarkDone(u"u95"));
  auto pending = PendingSavedDownloads(path);
  ASSERT_EQ(pending.size(), 98u);
  EXPECT_EQ(ReadField(pending[5].url), u"u6");
  EXPECT_EQ(ReadField(pending[93].url), u"u5");  // record 95, the duplicate

  ResetSavedDownloads(path);
  {
    SavedDownloadsAppender out(path);
    for (const char16_t* url : {u"u5", u"u70", u"x", u"u70"}) out.Append(Rec(url, 1));
  }
  EXPECT_TRUE(marker.MarkDone(u"u70"));
  EXPECT_TRUE(marker.MarkDone(u"u5"));
  pending = PendingSavedDownloads(path);
  ASSERT_EQ(pending.size(), 2u);
  EXPECT_EQ(ReadField(pending[0].url), u"x");
  EXPECT_EQ(ReadField(pending[1].url), u"u70");
  EXPECT_EQ(platform::FileSizeOf(path), 4 * 5760);
}

TEST(SavedDownloads, MarkingSeveralUrlsInOnePassMarksEachFirstRecordOnce) {
  TestFolder dir;
  const auto path = dir / u"kt_save.dat";
  {
    SavedDownloadsAppender out(path);
    for (const char16_t* url : {u"a", u"b", u"a", u"c", u"b"}) out.Append(Rec(url, 1));
  }
  EXPECT_EQ(MarkSavedDownloadsDone(path, {u"b", u"a", u"a", u"zz"}), 2);
  const auto pending = PendingSavedDownloads(path);
  ASSERT_EQ(pending.size(), 3u);
  EXPECT_EQ(ReadField(pending[0].url), u"a");  // the second "a"
  EXPECT_EQ(ReadField(pending[1].url), u"c");
  EXPECT_EQ(ReadField(pending[2].url), u"b");
  EXPECT_EQ(MarkSavedDownloadsDone(path, {}), 0);
  EXPECT_EQ(MarkSavedDownloadsDone(dir / u"missing.dat", {u"a"}), 0);
}

TEST(SavedDownloads, MissingFileOrNoPathChangesNothing) {
  TestFolder dir;
  const auto path = dir / u"kt_save.dat";
  EXPECT_FALSE(MarkSavedDownloadDone(path, u"x"));
  EXPECT_FALSE(platform::PathExists(path));
  EXPECT_TRUE(PendingSavedDownloads(path).empty());
  SavedDownloadsAppender none(u"");
  EXPECT_FALSE(none.IsOpen());
  none.Append(Rec(u"x", 1));
  {
    SavedDownloadsAppender out(path);
    out.Append(Rec(u"x", 1));
  }
  ResetSavedDownloads(path);
  EXPECT_FALSE(platform::PathExists(path));
  const auto real = SavedDownloadsPath();
  ASSERT_FALSE(real.empty());
  EXPECT_EQ(real.substr(real.size() - 12), u"\\kt_save.dat");
}

}  // namespace
}  // namespace vard
