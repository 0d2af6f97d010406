#include "common/handoff/HandOffWriter.h"

#include <gtest/gtest.h>

#include "common/handoff/tests/MemoryRegions.h"
#include "common/text/Utf.h"

#include <algorithm>

namespace vard {
namespace {

using testing::MemoryRegions;

DownloadHandOff Batch(int n) {
  DownloadHandOff b;
  for (int i = 0; i < n; ++i)
    b.records.push_back(MakeDownloadRecord(u"http://h/" + AsciiToUtf16(std::to_string(i)), u"", u"f.txt", i, 0));
  return b;
}

TEST(DownloadHandOffWriter, WritesTitleUrlCookieAndRecords) {
  MemoryRegions mem;
  DownloadHandOffWriter writer(mem);
  ASSERT_TRUE(writer.AllOpen());
  DownloadHandOff b = Batch(2);
  b.title = u"내 사이트";
  b.notification_url = u"http://h/noti";
  b.cookie = u"a=1; b=2";
  b.resume_by_query = true;
  EXPECT_EQ(writer.Write(b), 2);
  EXPECT_EQ(ReadField(mem.As<TextRegion>(region_name::kDownloadTitle).text), u"내 사이트");
  EXPECT_EQ(ReadField(mem.As<TextRegion>(region_name::kDownloadUrlNoti).text), u"http://h/noti");
  const auto& cookie = mem.As<CookieRegion>(region_name::kDownloadCookie);
  EXPECT_EQ(cookie.count, 1);
  EXPECT_EQ(cookie.info.resume_by_query, 1);
  EXPECT_EQ(ReadField(cookie.info.cookie), u"a=1; b=2");
  const auto& down = mem.As<DownloadRecordRegion>(region_name::kDownload);
  EXPECT_EQ(down.count, 2);
  EXPECT_EQ(ReadField(down.records[1].url), u"http://h/1");
  EXPECT_EQ(down.records[1].state, 1);
}

TEST(DownloadHandOffWriter, AWriterThatGoesAwayLeavesItsBatchForTheAgent) {
  MemoryRegions mem;
  {
    DownloadHandOffWriter writer(mem);
    DownloadHandOff b = Batch(3);
    b.title = u"page";
    writer.Write(b);
  }
  EXPECT_EQ(mem.As<DownloadRecordRegion>(region_name::kDownload).count, 3);
  EXPECT_EQ(ReadField(mem.As<TextRegion>(region_name::kDownloadTitle).text), u"page");
  EXPECT_EQ(mem.As<CookieRegion>(region_name::kDownloadCookie).count, 1);
}

TEST(DownloadHandOffWriter, DefaultTitleAndMissingUrlLeaveTheirRegionsZero) {
  MemoryRegions mem;
  DownloadHandOffWriter writer(mem);
  DownloadHandOff b = Batch(1);
  b.title = u"first";
  b.notification_url = u"http://x";
  writer.Write(b);
  b.title = kDefaultProgramTitle;
  b.notification_url.reset();
  writer.Write(b);
  const auto& title = mem.Bytes(region_name::kDownloadTitle, 1028);
  const auto& noti = mem.Bytes(region_name::kDownloadUrlNoti, 1028);
  EXPECT_EQ(std::count(title.begin(), title.end(), 0), 1028);
  EXPECT_EQ(std::count(noti.begin(), noti.end(), 0), 1028);
  // An empty notification URL given explicitly also writes nothing visible.
  b.notification_url = u"";
  writer.Write(b);
  EXPECT_EQ(std::count(noti.begin(), noti.end(), 0), 1028);
}

TEST(DownloadHandOffWriter, ThousandItemsGive999RecordsAndRewritesStartFromZero) {
  MemoryRegions mem;
  DownloadHandOffWriter writer(mem);
  EXPECT_EQ(writer.Write(Batch(1000)), 999);
  const auto& down = mem.As<DownloadRecordRegion>(region_name::kDownload);
  EXPECT_EQ(ReadField(down.records[998].url), u"http://h/998");
  EXPECT_EQ(writer.Write(Batch(1)), 1);
  EXPECT_EQ(down.count, 1);
  EXPECT_EQ(down.records[1].state, 0);
  EXPECT_EQ(mem.As<CookieRegion>(region_name::kDownloadCookie).count, 1);
}

TEST(DownloadHandOffWriter, AppendedRecordsFollowTheBatchUpTo999) {
  MemoryRegions mem;
  DownloadHandOffWriter writer(mem);
  writer.Write(Batch(998));
  EXPECT_TRUE(writer.Append(MakeDownloadRecord(u"http://h/last", u"", u"l.txt", 1, 0)));
  EXPECT_FALSE(writer.Append(MakeDownloadRecord(u"http://h/over", u"", u"o.txt", 1, 0)));
  const auto& down = mem.As<DownloadRecordRegion>(region_name::kDownload);
  EXPECT_EQ(down.count, 999);
  EXPECT_EQ(ReadField(down.records[998].url), u"http://h/last");
}

TEST(DownloadHandOffWriter, RegionThatFailsToOpenIsSkipped) {
  MemoryRegions mem;
  mem.failing.insert(region_name::kDownloadCookie);
  DownloadHandOffWriter writer(mem);
  EXPECT_FALSE(writer.AllOpen());
  EXPECT_EQ(writer.Write(Batch(3)), 3);
  mem.failing.insert(region_name::kDownload);
  DownloadHandOffWriter without(mem);
  EXPECT_FALSE(without.Append(MakeDownloadRecord(u"http://h/x", u"", u"x.txt", 1, 0)));
}

}  // namespace
}  // namespace vard
