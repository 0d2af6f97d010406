#include "common/platform/Environment.h"

#include <gtest/gtest.h>

#include "common/platform/CodePage.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"

namespace vard::platform {
namespace {

TEST(Environment, OsMajorVersionCanBeChosen) {
  SetEnv("VARDEL_OS_MAJOR", "5");
  EXPECT_EQ(OsMajorVersion(), 5);
  SetEnv("VARDEL_OS_MAJOR", "6");
  EXPECT_EQ(OsMajorVersion(), 6);
  SetEnv("VARDEL_OS_MAJOR", nullptr);
  EXPECT_GE(OsMajorVersion(), 5);
  EXPECT_FALSE(GetEnv("VARDEL_OS_MAJOR").has_value());
}

TEST(Environment, AnsiCodePageFollowsTheSetting) {
  SetEnv("VARDEL_ACP", "CP949");
  if (AnsiCodePageName() != "CP949") {
    SetEnv("VARDEL_ACP", nullptr);
    GTEST_SKIP() << "the system decides the code page here";
  }
  EXPECT_EQ(Utf16ToAnsi(u"가a"), "\xB0\xA1" "a");
  EXPECT_EQ(AnsiToUtf16("\xB0\xA1" "a"), u"가a");
  EXPECT_EQ(Utf16ToAnsi(u"\u0E01"), "?");  // Thai is not in the code page
  SetEnv("VARDEL_ACP", nullptr);
}

TEST(KnownFolders, AreUsablePaths) {
  const std::u16string temp = TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), u'\\');
  EXPECT_TRUE(IsDirectory(temp));
  EXPECT_FALSE(DocumentsFolder().empty());
  EXPECT_FALSE(ModulePath().empty());
  EXPECT_TRUE(IsDirectory(SystemDirectory()));
}

}  // namespace
}  // namespace vard::platform
