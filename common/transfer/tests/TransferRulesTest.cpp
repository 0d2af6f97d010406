#include <gtest/gtest.h>

#include "common/transfer/BodyPlacement.h"
#include "common/transfer/ResumeRequest.h"
#include "common/transfer/SafeName.h"

namespace vard::transfer {
namespace {

TEST(ResumeRequest, RangeHeaderAndFileSizeQuery) {
  EXPECT_EQ(RangeHeader(0), u"Range:bytes=0-");
  EXPECT_EQ(RangeHeader(2684354560), u"Range:bytes=2684354560-");
  EXPECT_EQ(WithFileSizeQuery(u"http://h/f.bin", 100), u"http://h/f.bin?_filesize=100");
  EXPECT_EQ(WithFileSizeQuery(u"http://h/f.bin?a=1", 100), u"http://h/f.bin?a=1&_filesize=100");
  EXPECT_EQ(WithFileSizeQuery(u"http://h/f.bin?", 100), u"http://h/f.bin?_filesize=100");
  // The parameter goes before a fragment, which a client never sends.
  EXPECT_EQ(WithFileSizeQuery(u"http://h/f.bin#top", 7), u"http://h/f.bin?_filesize=7#top");
  EXPECT_EQ(WithFileSizeQuery(u"http://h/f.bin?a#b?c", 7), u"http://h/f.bin?a&_filesize=7#b?c");
}

TEST(BodyPlacement, StatusClasses) {
  EXPECT_EQ(ClassifyStatus(200), AnswerClass::kBody);
  EXPECT_EQ(ClassifyStatus(206), AnswerClass::kBody);
  EXPECT_EQ(ClassifyStatus(399), AnswerClass::kBody);
  EXPECT_EQ(ClassifyStatus(400), AnswerClass::kClientError);
  EXPECT_EQ(ClassifyStatus(416), AnswerClass::kClientError);
  EXPECT_EQ(ClassifyStatus(499), AnswerClass::kClientError);
  EXPECT_EQ(ClassifyStatus(500), AnswerClass::kServerError);
  EXPECT_EQ(ClassifyStatus(503), AnswerClass::kServerError);
}

TEST(BodyPlacement, ContentLengths) {
  EXPECT_EQ(ParseContentLength(u"1073741824"), 1073741824);
  EXPECT_EQ(ParseContentLength(u" 0 "), 0);
  EXPECT_EQ(ParseContentLength(u"9223372036854775807"), INT64_MAX);
  for (std::u16string_view bad : {u"", u"-1", u"12ab", u"9223372036854775808", u"1 2"})
    EXPECT_FALSE(ParseContentLength(bad));
}

TEST(BodyPlacement, ContentRangeHeaders) {
  auto r = ParseContentRange(u"bytes 100-199/1000");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->first, 100);
  EXPECT_EQ(r->last, 199);
  EXPECT_EQ(r->total, 1000);
  r = ParseContentRange(u"  BYTES 0-0/*");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->total, -1);
  for (std::u16string_view bad : {u"", u"bytes */1000", u"bytes 5-4/10", u"bytes 0-9/9", u"bytes 0-9", u"bytes=0-9/10",
                                  u"items 0-9/10", u"bytes -1-9/10", u"bytes 0-9/10 x", u"bytes 0-99999999999999999999/*",
                                  u"bytes0-9/10"})
    EXPECT_FALSE(ParseContentRange(bad)) << std::string(bad.begin(), bad.end());
}

TEST(BodyPlacement, TheContentRangeDecidesWhereARangedBodyGoes) {
  struct Case {
    std::optional<int64_t> rangeFrom;
    bool byQuery;
    int64_t onDisk;
    std::optional<std::u16string_view> contentRange;
    BodyTarget target;
    int64_t offset;
  };
  const Case cases[] = {
      // Asked from 100 and got 100 on: append (whatever the status was).
      {100, false, 100, u"bytes 100-999/1000", BodyTarget::kAppend, 100},
      // Range ignored, the whole file came back.
      {100, false, 100, std::nullopt, BodyTarget::kFromStart, 0},
      // Another range, inside what is on disk: written where it belongs.
      {100, false, 100, u"bytes 40-999/1000", BodyTarget::kWriteAt, 40},
      {100, false, 100, u"bytes 0-999/1000", BodyTarget::kWriteAt, 0},
      // Beyond what is on disk: it would leave a hole.
      {100, false, 100, u"bytes 500-999/1000", BodyTarget::kRefetch, 0},
      {100, false, 100, u"bytes nonsense", BodyTarget::kUnusable, 0},
      // Resume by query: the rest comes without a range.
      {std::nullopt, true, 100, std::nullopt, BodyTarget::kAppend, 100},
      {std::nullopt, true, 100, u"bytes 0-999/1000", BodyTarget::kWriteAt, 0},
      // A fresh request.
      {std::nullopt, false, 0, std::nullopt, BodyTarget::kFromStart, 0},
      {0, false, 0, u"bytes 0-9/10", BodyTarget::kAppend, 0},
  };
  for (const Case& c : cases) {
    const Placement p = PlaceBody({c.rangeFrom, c.byQuery, c.onDisk, c.contentRange});
    EXPECT_EQ(p.target, c.target) << (c.contentRange ? std::string(c.contentRange->begin(), c.contentRange->end()) : "-");
    EXPECT_EQ(p.offset, c.offset);
  }
}

TEST(SafeName, NamesThatLeaveTheFolderAreRefused) {
  for (std::u16string_view ok : {u"a.txt", u"sub/a.txt", u"sub\\deeper\\a.txt", u"folder/", u"./a", u"..a", u"a..",
                                 u"\uBB38\uC11C.hwp", u"ab:c.txt", u"console.txt", u"COM10", u"com0", u""})
    EXPECT_TRUE(StaysInsideFolder(ok)) << std::string(ok.begin(), ok.end());
  for (std::u16string_view bad :
       {u"..", u"../a", u"a/../../b", u"a\\..\\b", u"a/..", u"...", u". .", u"\\abs", u"/etc/passwd", u"\\\\server\\share\\a",
        u"//server/share", u"\\\\?\\C:\\a", u"C:\\a", u"c:a", u"CON", u"con.txt", u"sub/NUL", u"Aux.tar.gz", u"lpt1",
        u"COM9 .log", u"a/CONOUT$", u"a\nb"})
    EXPECT_FALSE(StaysInsideFolder(bad)) << std::string(bad.begin(), bad.end());
}

TEST(SafeName, NamesMustFitTheFolderTheyGoIn) {
  const std::u16string folder = u"C:\\drop";  // 7 units
  EXPECT_TRUE(FitsInsideFolder(folder, u"sub/a.txt"));
  EXPECT_TRUE(FitsInsideFolder(folder + u"\\", u"a.txt"));
  EXPECT_FALSE(FitsInsideFolder(folder, u"sub/../../a.txt"));  // and stays inside
  // A file path up to 259 units, each folder on the way up to 247.
  const std::u16string dir(239, u'd');  // C:\drop\ddd... is 247
  EXPECT_TRUE(FitsInsideFolder(folder, dir + u"\\" + std::u16string(11, u'f')));
  EXPECT_FALSE(FitsInsideFolder(folder, dir + u"\\" + std::u16string(12, u'f')));
  EXPECT_FALSE(FitsInsideFolder(folder, dir + u"d\\f"));
  EXPECT_TRUE(FitsInsideFolder(folder, std::u16string(251, u'f')));
  EXPECT_FALSE(FitsInsideFolder(folder, std::u16string(252, u'f')));
  std::u16string deep;
  for (int i = 0; i < 3000; ++i) deep += u"a/";
  EXPECT_FALSE(FitsInsideFolder(folder, deep + u"x"));
  EXPECT_FALSE(FitsInsideFolder(folder, deep));  // a folder entry
}

}  // namespace
}  // namespace vard::transfer
