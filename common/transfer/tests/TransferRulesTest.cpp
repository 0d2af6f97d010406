#include <gtest/gtest.h>

#include "common/transfer/BodyBounds.h"
#include "common/transfer/BodyPlacement.h"
#include "common/transfer/DangerousTypes.h"
#include "common/transfer/ResumeRequest.h"
#include "common/transfer/SafeName.h"
#include "common/transfer/TurnProgress.h"

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
  const ResumeAsk byRange = ResumeFrom(u"http://h/f.bin", 40, false);
  EXPECT_EQ(byRange.url, u"http://h/f.bin");
  EXPECT_EQ(byRange.header, u"Range:bytes=40-");
  EXPECT_EQ(byRange.rangeFrom, 40);
  const ResumeAsk byQuery = ResumeFrom(u"http://h/f.bin", 40, true);
  EXPECT_EQ(byQuery.url, u"http://h/f.bin?_filesize=40");
  EXPECT_TRUE(byQuery.header.empty());
  EXPECT_FALSE(byQuery.rangeFrom);
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
    const Placement p = PlaceBody({c.rangeFrom, c.byQuery, c.onDisk, c.contentRange, std::nullopt, -1});
    EXPECT_EQ(p.target, c.target) << (c.contentRange ? std::string(c.contentRange->begin(), c.contentRange->end()) : "-");
    EXPECT_EQ(p.offset, c.offset);
  }
}

// How far a body may go: the end its Content-Range or Content-Length names.
TEST(BodyPlacement, TheAnswerBoundsTheBody) {
  struct Case {
    std::optional<int64_t> rangeFrom;
    bool byQuery;
    int64_t onDisk;
    std::optional<std::u16string_view> contentRange;
    std::optional<int64_t> length;
    int64_t expected;
    BodyTarget target;
    int64_t offset;
    int64_t end;
    bool whole;
  };
  const Case cases[] = {
      // A range labelled 50-59 ends at 60 whatever the body carries.
      {50, false, 50, u"bytes 50-59/60", 100000, 60, BodyTarget::kAppend, 50, 60, false},
      // A length shorter than the range label is the tighter end.
      {0, false, 0, u"bytes 0-99/100", 40, 100, BodyTarget::kAppend, 0, 40, false},
      {std::nullopt, false, 0, std::nullopt, 500, 100, BodyTarget::kFromStart, 0, 500, false},
      {std::nullopt, false, 0, std::nullopt, std::nullopt, 100, BodyTarget::kFromStart, 0, -1, false},
      // A plain request answered with a range far away: fetched anew, not
      // written at 0.
      {std::nullopt, false, 0, u"bytes 1000000000-1000000099/1000000100", 100, 100, BodyTarget::kRefetch, 0, -1, false},
      // Query resume, the rest announced: appended up to its length.
      {std::nullopt, true, 4000, std::nullopt, 6000, 10000, BodyTarget::kAppend, 4000, 10000, false},
      // The parameter ignored: a length of the whole file starts the file anew...
      {std::nullopt, true, 4000, std::nullopt, 10000, 10000, BodyTarget::kFromStart, 0, 10000, false},
      // ... a length that would grow it past its size is asked for anew ...
      {std::nullopt, true, 4000, std::nullopt, 7000, 10000, BodyTarget::kRefetch, 0, -1, false},
      // ... and without a length the page's size is where the rest must end.
      {std::nullopt, true, 4000, std::nullopt, std::nullopt, 10000, BodyTarget::kAppend, 4000, 10000, true},
      {std::nullopt, true, 4000, std::nullopt, std::nullopt, -1, BodyTarget::kAppend, 4000, -1, false},
      {std::nullopt, true, 0, std::nullopt, std::nullopt, 10000, BodyTarget::kAppend, 0, -1, false},
  };
  for (const Case& c : cases) {
    const Placement p = PlaceBody({c.rangeFrom, c.byQuery, c.onDisk, c.contentRange, c.length, c.expected});
    const std::string what = c.contentRange ? std::string(c.contentRange->begin(), c.contentRange->end())
                                            : "length " + std::to_string(c.length.value_or(-1));
    EXPECT_EQ(p.target, c.target) << what;
    EXPECT_EQ(p.offset, c.offset) << what;
    if (c.target != BodyTarget::kRefetch) {
      EXPECT_EQ(p.end, c.end) << what;
    }
    EXPECT_EQ(p.wholeIfPastEnd, c.whole) << what;
  }
}

TEST(BodyBounds, NothingIsWrittenPastTheAnnouncedEnd) {
  BodyBounds b(Placement{BodyTarget::kAppend, 50, 60, false});
  EXPECT_EQ(b.Take(4), 4u);
  EXPECT_TRUE(b.EndedShort());
  EXPECT_EQ(b.Take(100000), 6u);  // the rest is surplus
  EXPECT_TRUE(b.Surplus());
  EXPECT_FALSE(b.WholeFileAgain());
  EXPECT_EQ(b.Position(), 60);
  EXPECT_EQ(b.Take(5), 0u);

  BodyBounds exact(Placement{BodyTarget::kFromStart, 0, 10, false});
  EXPECT_EQ(exact.Take(10), 10u);
  EXPECT_EQ(exact.Take(0), 0u);
  EXPECT_FALSE(exact.Surplus());
  EXPECT_FALSE(exact.EndedShort());

  BodyBounds open(Placement{BodyTarget::kFromStart, 0, -1, false});
  EXPECT_EQ(open.Take(UINT32_MAX), UINT32_MAX);
  EXPECT_FALSE(open.Surplus() || open.EndedShort());

  // A query resume that runs past the page's size was the whole file.
  BodyBounds resumed(Placement{BodyTarget::kAppend, 4000, 10000, true});
  EXPECT_EQ(resumed.Take(6000), 6000u);
  EXPECT_FALSE(resumed.Surplus());
  EXPECT_EQ(resumed.Take(1), 0u);
  EXPECT_TRUE(resumed.WholeFileAgain());
}

TEST(TurnProgress, RequestsThatDoNotMoveTheEndOfTheFileEndTheTurn) {
  // A server that ignores the range and cuts every body at 5,000 bytes:
  // bytes arrive each time, the file never gets longer.
  TurnProgress restarts(0);
  EXPECT_TRUE(restarts.Again(5000));
  int requests = 1;
  while (restarts.Again(5000)) ++requests;
  EXPECT_EQ(requests, TurnProgress::kStallLimit);
  EXPECT_EQ(restarts.Furthest(), 5000);

  // Moving back (a refetch from 0) is no progress either.
  TurnProgress refetch(4000);
  EXPECT_TRUE(refetch.Again(0));
  EXPECT_TRUE(refetch.Beyond(4001));
  EXPECT_FALSE(refetch.Beyond(4000));
  EXPECT_TRUE(refetch.Again(4500));
  EXPECT_EQ(refetch.Stalls(), 0);

  // A server that honours ranges but sends one byte per body still meets
  // a bound; bodies the engine ended itself do not count.
  TurnProgress trickle(0);
  int trickled = 0;
  while (trickle.Again(++trickled)) {
  }
  EXPECT_EQ(trickled, TurnProgress::kRequestLimit);
  TurnProgress cycles(0);
  for (int64_t i = 1; i <= 100; ++i) EXPECT_TRUE(cycles.Again(i << 30, true));
  EXPECT_FALSE(cycles.Again(100LL << 30, true) && cycles.Again(100LL << 30, true) && cycles.Again(100LL << 30, true));
}

TEST(SafeName, NamesThatLeaveTheFolderAreRefused) {
  for (std::u16string_view ok : {u"a.txt", u"sub/a.txt", u"sub\\deeper\\a.txt", u"folder/", u"./a", u"..a", u"a..",
                                 u"\uBB38\uC11C.hwp", u"console.txt", u"COM10", u"COMA", u"LPT\u2074", u".profile",
                                 u"sub/.config/a", u""})
    EXPECT_TRUE(StaysInsideFolder(ok)) << std::string(ok.begin(), ok.end());
  for (std::u16string_view bad :
       {u"..", u"../a", u"a/../../b", u"a\\..\\b", u"a/..", u"...", u". .", u"\\abs", u"/etc/passwd", u"\\\\server\\share\\a",
        u"//server/share", u"\\\\?\\C:\\a", u"C:\\a", u"c:a", u"CON", u"con.txt", u"sub/NUL", u"Aux.tar.gz", u"lpt1",
        u"COM9 .log", u"a/CONOUT$", u"a\nb", u"ab:c.txt", u"setup.exe:Zone.Identifier", u"sub:x/a.txt",
        u"a.txt::$DATA", u"com0", u"LPT0.txt", u"COM\u00B9", u"lpt\u00B2.log", u"COM\u00B3 .x", u"sub/LPT\u00B9"})
    EXPECT_FALSE(StaysInsideFolder(bad)) << std::string(bad.begin(), bad.end());
}

TEST(SafeName, AnUntrustedPageNamesNothingThatBeginsWithADot) {
  const auto untrusted = NameSource::kUntrustedPage;
  for (std::u16string_view ok : {u"a.txt", u"sub/a.b.c", u"a./b", u"a..\\x", u"\uBB38\uC11C/\uBB38.hwp", u""})
    EXPECT_TRUE(StaysInsideFolder(ok, untrusted)) << std::string(ok.begin(), ok.end());
  for (std::u16string_view bad : {u".config/autostart/evil.desktop", u"sub/.bashrc", u".x", u"./a", u"a\\.ssh\\k",
                                  u"sub/.hidden/", u"..a", u"COM1", u"../a"})
    EXPECT_FALSE(StaysInsideFolder(bad, untrusted)) << std::string(bad.begin(), bad.end());
  EXPECT_FALSE(FitsInsideFolder(u"C:\\drop", u".local/share/a", untrusted));
  EXPECT_TRUE(FitsInsideFolder(u"C:\\drop", u".local/share/a"));
}

TEST(DangerousTypes, ProgramsScriptsShortcutsAndActiveDocuments) {
  for (std::u16string_view yes :
       {u"setup.exe", u"SETUP.EXE", u"a.msi", u"run.bat", u"x.cmd", u"x.ps1", u"x.vbs", u"x.js", u"x.hta", u"x.lnk",
        u"x.url", u"evil.desktop", u"x.sh", u"x.appimage", u"x.jar", u"page.html", u"page.HTM", u"img.svg",
        u"x.scr", u"x.reg", u"x.appref-ms", u"x.settingcontent-ms", u"a.exe.", u"a.exe .. ", u"dir.txt\\a.exe",
        u"sub/a.Desktop", u"report.pdf.exe"})
    EXPECT_TRUE(IsDangerousType(yes)) << std::string(yes.begin(), yes.end());
  for (std::u16string_view no : {u"a.txt", u"a.pdf", u"a.zip", u"photo.png", u"exe", u"a.exe.txt", u"a.exe\\b",
                                 u"a.html.pdf", u"a.", u"", u".", u"desktop", u"a.sh5", u"a.ex"})
    EXPECT_FALSE(IsDangerousType(no)) << std::string(no.begin(), no.end());
}

TEST(SafeName, AFullPathKeepsItsDriveButNamesNoStream) {
  for (std::u16string_view plain : {u"C:\\down\\a.txt", u"c:a.txt", u"\\\\?\\D:\\a", u"\\\\server\\share\\a",
                                    u"\\home\\u\\a.txt", u"a.txt", u""})
    EXPECT_FALSE(NamesStream(plain)) << std::string(plain.begin(), plain.end());
  for (std::u16string_view stream : {u"C:\\down\\setup.exe:Zone.Identifier", u"C:\\ab:c.txt", u"ab:c.txt",
                                     u"C::a", u"\\\\?\\C:\\a:b", u"1:\\a", u"\\home\\u:x\\a"})
    EXPECT_TRUE(NamesStream(stream)) << std::string(stream.begin(), stream.end());
}

TEST(SafeName, BidiControlsBecomeUnderscores) {
  EXPECT_EQ(WithoutBidiControls(u"\u202Egnp.exe"), u"_gnp.exe");
  EXPECT_EQ(WithoutBidiControls(u"a\u202A\u202B\u202C\u202D\u202E\u2066\u2067\u2068\u2069b"), u"a_________b");
  // Neighbours of the ranges, and marks that only give a direction, stay.
  EXPECT_EQ(WithoutBidiControls(u"\u2029\u202F\u2065\u206A\u200E\u200F\uBB38"), u"\u2029\u202F\u2065\u206A\u200E\u200F\uBB38");
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
