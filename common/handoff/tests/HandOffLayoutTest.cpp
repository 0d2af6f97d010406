// Every record and region checked byte by byte against the documented
// offsets (written here as numbers, not taken from the structs).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/handoff/HandOffRecords.h"
#include "common/handoff/HandOffWriter.h"

namespace vard {
namespace {

template <typename T>
std::vector<uint8_t> BytesOf(const T& value) {
  std::vector<uint8_t> b(sizeof(T));
  std::memcpy(b.data(), &value, sizeof(T));
  return b;
}
int64_t Le(const std::vector<uint8_t>& b, size_t off, int n) {
  uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b.at(off + i);
  if (n < 8 && (v >> (8 * n - 1)) & 1) v |= ~0ull << (8 * n);
  return static_cast<int64_t>(v);
}
void PutLe(std::vector<uint8_t>& b, size_t off, int64_t value, int n) {
  for (int i = 0; i < n; ++i) b.at(off + i) = static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i));
}
// UTF-16LE text at `off`, up to its NUL.
std::u16string TextAt(const std::vector<uint8_t>& b, size_t off) {
  std::u16string s;
  for (size_t i = off; b.at(i) | b.at(i + 1); i += 2) s += static_cast<char16_t>(b[i] | (b[i + 1] << 8));
  return s;
}
void PutText(std::vector<uint8_t>& b, size_t off, std::u16string_view s) {
  for (size_t i = 0; i < s.size(); ++i) PutLe(b, off + 2 * i, s[i], 2);
}
template <typename T>
T FromBytes(const std::vector<uint8_t>& b) {
  T value;
  std::memcpy(&value, b.data(), sizeof(T));
  return value;
}

TEST(HandOffLayout, DownloadInfoFieldsSitAtTheirOffsets) {
  const DOWNLOAD_INFO r = MakeDownloadRecord(u"http://h/a b", u"sub\\dir", u"a.txt", 0x123456789A, -5);
  const auto b = BytesOf(r);
  ASSERT_EQ(b.size(), 5760u);
  EXPECT_EQ(Le(b, 0, 4), 1);
  EXPECT_EQ(b[4], 0);
  EXPECT_EQ(Le(b, 8, 8), 0x123456789A);
  EXPECT_EQ(TextAt(b, 16), u"a.txt");
  EXPECT_EQ(TextAt(b, 538), u"sub\\dir");
  EXPECT_EQ(TextAt(b, 1582), u"http://h/a b");
  EXPECT_EQ(Le(b, 5752, 4), -5);
  EXPECT_EQ(Le(b, 5756, 4), 0);

  std::vector<uint8_t> raw(5760);
  PutLe(raw, 0, 2, 4);
  raw[4] = 1;
  PutLe(raw, 8, -1, 8);
  PutText(raw, 16, u"n");
  PutText(raw, 538, u"f");
  PutText(raw, 1582, u"this_is_folder");
  PutLe(raw, 5752, 300, 4);
  const auto d = FromBytes<DOWNLOAD_INFO>(raw);
  EXPECT_EQ(d.state, 2);
  EXPECT_EQ(d.is_folder, 1);
  EXPECT_EQ(d.file_size, -1);
  EXPECT_EQ(ReadField(d.file_name), u"n");
  EXPECT_EQ(ReadField(d.folder), u"f");
  EXPECT_EQ(ReadField(d.url), u"this_is_folder");
  EXPECT_EQ(d.speed_limit_kb, 300);
}

TEST(HandOffLayout, FileInfoActionAndPostDataFieldsSitAtTheirOffsets) {
  std::vector<uint8_t> raw(1072);
  raw[0] = 1;
  PutLe(raw, 4, 77, 4);
  raw[8] = 1;
  PutLe(raw, 16, 1ll << 40, 8);
  PutText(raw, 24, u"C:\\x\\y.bin");
  PutText(raw, 546, u"/srv/in");
  const auto f = FromBytes<FILE_INFO>(raw);
  EXPECT_EQ(f.utf8_names, 1);
  EXPECT_EQ(f.icon_index, 77);
  EXPECT_EQ(f.is_folder, 1);
  EXPECT_EQ(f.file_size, 1ll << 40);
  EXPECT_EQ(ReadField(f.path), u"C:\\x\\y.bin");
  EXPECT_EQ(ReadField(f.folder), u"/srv/in");

  std::vector<uint8_t> act(2580);
  PutLe(act, 0, 5242880, 4);
  PutText(act, 8, u"http://up/");
  PutText(act, 530, u"k=v");
  const auto a = FromBytes<ACTION_INFO>(act);
  EXPECT_EQ(a.part_size, 5242880);
  EXPECT_EQ(ReadField(a.action_url), u"http://up/");
  EXPECT_EQ(ReadField(a.cookie), u"k=v");

  auto post = std::make_unique<POST_DATAS>();
  std::memset(post.get(), 0, sizeof(POST_DATAS));
  StoreField(post->pairs[98].name, u"last");
  StoreField(post->pairs[98].value, u"val");
  StoreField(post->pairs[1].value, u"v1");
  const auto* p = reinterpret_cast<const uint8_t*>(post.get());
  const std::vector<uint8_t> pb(p, p + sizeof(POST_DATAS));
  ASSERT_EQ(pb.size(), 253440u);
  EXPECT_EQ(TextAt(pb, 98 * 2560), u"last");
  EXPECT_EQ(TextAt(pb, 98 * 2560 + 512), u"val");
  EXPECT_EQ(TextAt(pb, 2560 + 512), u"v1");
}

TEST(HandOffLayout, RegionsPlaceCountsAndRecordsAtTheirOffsets) {
  EXPECT_EQ(sizeof(TextRegion), 1028u);
  EXPECT_EQ(sizeof(CookieRegion), 4104u);
  EXPECT_EQ(sizeof(DownloadRecordRegion), 5754248u);
  EXPECT_EQ(sizeof(UploadRecordRegion), 1070936u);
  EXPECT_EQ(sizeof(ActionRegion), 2584u);
  EXPECT_EQ(sizeof(PostDataRegion), 253186564u);

  std::vector<uint8_t> text(1028);
  PutText(text, 4, u"title");
  EXPECT_EQ(ReadField(FromBytes<TextRegion>(text).text), u"title");

  std::vector<uint8_t> cookie(4104);
  PutLe(cookie, 0, 1, 4);
  PutLe(cookie, 4, 1, 4);
  PutText(cookie, 8, u"sid=1");
  const auto c = FromBytes<CookieRegion>(cookie);
  EXPECT_EQ(c.count, 1);
  EXPECT_EQ(c.info.resume_by_query, 1);
  EXPECT_EQ(ReadField(c.info.cookie), u"sid=1");

  std::vector<uint8_t> action(2584);
  PutLe(action, 0, 1, 4);
  PutLe(action, 4, 1000, 4);
  PutText(action, 12, u"http://a/");
  const auto a = FromBytes<ActionRegion>(action);
  EXPECT_EQ(a.present, 1);
  EXPECT_EQ(a.info.part_size, 1000);
  EXPECT_EQ(ReadField(a.info.action_url), u"http://a/");

  // Large regions: only the record positions matter.
  auto down = std::make_unique<DownloadRecordRegion>();
  auto* d = reinterpret_cast<uint8_t*>(down.get());
  EXPECT_EQ(reinterpret_cast<uint8_t*>(&down->records[998]) - d, 8 + 998 * 5760);
  auto up = std::make_unique<UploadRecordRegion>();
  EXPECT_EQ(reinterpret_cast<uint8_t*>(&up->records[998]) - reinterpret_cast<uint8_t*>(up.get()), 8 + 998 * 1072);
  EXPECT_EQ(offsetof(PostDataRegion, blocks) + 998 * sizeof(POST_DATAS), 4u + 998u * 253440u);
}

TEST(HandOffLayout, StoredTextsAreCutToCapacityAndReadsStopThere) {
  DOWNLOAD_INFO r = MakeDownloadRecord(std::u16string(3000, u'u'), std::u16string(600, u'f'),
                                       std::u16string(300, u'n'), 1, 0);
  EXPECT_EQ(ReadField(r.url).size(), 2084u);
  EXPECT_EQ(ReadField(r.folder).size(), 521u);
  EXPECT_EQ(ReadField(r.file_name).size(), 260u);
  // A field without terminator reads up to its capacity, not into the next one.
  for (auto& ch : r.file_name) ch = u'x';
  EXPECT_EQ(ReadField(r.file_name).size(), 261u);
  EXPECT_EQ(ClampedCount(1000), 999);
  EXPECT_EQ(ClampedCount(-3), 0);
  EXPECT_EQ(ClampedCount(12), 12);
}

}  // namespace
}  // namespace vard
