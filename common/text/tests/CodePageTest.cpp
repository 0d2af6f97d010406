#include "common/platform/CodePage.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "common/platform/Environment.h"

namespace vard::platform {
namespace {

TEST(CodePage, AsciiSurvivesAnyCodePage) {
  EXPECT_EQ(Utf16ToAnsi(u"http://x/a b.txt"), "http://x/a b.txt");
  EXPECT_EQ(AnsiToUtf16("http://x/a b.txt"), u"http://x/a b.txt");
  EXPECT_EQ(Utf16ToAnsi(u""), "");
}

TEST(CodePage, RoundTripsWhatTheCodePageHolds) {
  // Korean is held by both CP949 and UTF-8; the tests run with one of them.
  const std::string acp = AnsiCodePageName();
  if (acp != "949" && acp != "CP949" && acp != "UTF-8" && acp != "65001") GTEST_SKIP() << acp;
  EXPECT_EQ(AnsiToUtf16(Utf16ToAnsi(u"가나다.txt")), u"가나다.txt");
}

}  // namespace
}  // namespace vard::platform
