// The getFileInfo answer as the upload job reads it: untrusted text.
#include "agent/jobs/UploadAnswer.h"

#include <gtest/gtest.h>

namespace vard {
namespace {

TEST(UploadAnswer, ValuesRunToTheNextSemicolonAfterTheirKey) {
  const std::u16string a = u"AskRename=yes;FileName=a b.txt;FileSize=1000;FileTime=86400;";
  EXPECT_EQ(AnswerValue(a, u"AskRename"), u"yes");
  EXPECT_EQ(AnswerValue(a, u"FileName"), u"a b.txt");
  EXPECT_EQ(AnswerValue(a, u"Missing"), u"");
  // No ";" after the key: empty, even with text after "=".
  EXPECT_EQ(AnswerValue(u"FileSize=1000", u"FileSize"), u"");
  EXPECT_EQ(AnswerValue(u"A=1;FileSize=1000", u"FileSize"), u"");
  EXPECT_EQ(AnswerValue(u"FileSize=;", u"FileSize"), u"");
  // The first occurrence counts.
  EXPECT_EQ(AnswerValue(u"X=FileSize=5;FileSize=6;", u"FileSize"), u"5");
}

TEST(UploadAnswer, AskRenameIsExactlyYes) {
  EXPECT_TRUE(ParseFileInfoAnswer(u"AskRename=yes;").askRename);
  EXPECT_FALSE(ParseFileInfoAnswer(u"AskRename=Yes;").askRename);
  EXPECT_FALSE(ParseFileInfoAnswer(u"AskRename=yes ;").askRename);
  EXPECT_FALSE(ParseFileInfoAnswer(u"AskRename=yes").askRename);
}

TEST(UploadAnswer, SizesThatAreNotPlainDecimalsReadAsNothing) {
  EXPECT_EQ(ParseFileInfoAnswer(u"FileSize=1000;").fileSize, 1000);
  EXPECT_EQ(ParseFileInfoAnswer(u"FileSize=9223372036854775807;").fileSize, INT64_MAX);
  for (const char16_t* bad : {u"FileSize=-5;", u"FileSize=9223372036854775808;", u"FileSize=99999999999999999999;",
                              u"FileSize=12abc;", u"FileSize= 12;", u"FileSize=+1;", u"FileSize=0x10;"}) {
    EXPECT_EQ(ParseFileInfoAnswer(bad).fileSize, 0) << std::u16string_view(bad).size();
  }
  EXPECT_FALSE(ParseFileInfoAnswer(u"FileTime=-1;").fileTime.has_value());
  EXPECT_FALSE(ParseFileInfoAnswer(u"FileTime=253402300800;").fileTime.has_value());
  EXPECT_EQ(ParseFileInfoAnswer(u"FileTime=253402300799;").fileTime, 253402300799);
}

TEST(UploadAnswer, OnlyPlainNamesAreTaken) {
  EXPECT_EQ(ParseFileInfoAnswer(u"FileName=report (1).pdf;").fileName, u"report (1).pdf");
  EXPECT_EQ(ParseFileInfoAnswer(u"FileName=a..b;").fileName, u"a..b");
  for (const char16_t* bad : {u"FileName=..;", u"FileName=.;", u"FileName=..\\x;", u"FileName=a/b;",
                              u"FileName=C:x;", u"FileName=a\tb;", u"FileName=a\x7f;"}) {
    EXPECT_EQ(ParseFileInfoAnswer(bad).fileName, u"");
  }
  EXPECT_EQ(ParseFileInfoAnswer(u"FileName=" + std::u16string(260, u'n') + u";").fileName.size(), 260u);
  EXPECT_EQ(ParseFileInfoAnswer(u"FileName=" + std::u16string(261, u'n') + u";").fileName, u"");
  std::u16string withControl = u"FileName=a";
  withControl += char16_t{1};
  EXPECT_EQ(ParseFileInfoAnswer(withControl + u";").fileName, u"");
}

TEST(UploadAnswer, CalendarTimeOfTheEpochSeconds) {
  const auto t = CalendarTime(951782400 + 3723);  // 2000-02-29 01:02:03
  EXPECT_EQ(t.year, 2000);
  EXPECT_EQ(t.month, 2);
  EXPECT_EQ(t.day, 29);
  EXPECT_EQ(t.hour, 1);
  EXPECT_EQ(t.minute, 2);
  EXPECT_EQ(t.second, 3);
  const auto last = CalendarTime(253402300799);
  EXPECT_EQ(last.year, 9999);
  EXPECT_EQ(last.month, 12);
  EXPECT_EQ(last.day, 31);
}

}  // namespace
}  // namespace vard
