#include "control/FolderSettings.h"

#include <gtest/gtest.h>

#include "common/platform/FileSystem.h"
#include "common/platform/tests/RegistryFixture.h"

namespace vard {
namespace {

namespace p = platform;
using p::RegistryRoot;

// The control's own key, in a scratch registry (POSIX) or removed before and
// after (Windows).
class FolderSettingsTest : public p::RegistryTest {
 protected:
  void SetUp() override {
    p::RegistryTest::SetUp();
    reg_.DeleteKey(RegistryRoot::kCurrentUser, FolderSettings::kKey);
  }
  void TearDown() override {
    reg_.DeleteKey(RegistryRoot::kCurrentUser, FolderSettings::kKey);
    p::RegistryTest::TearDown();
  }
  FolderSettings settings_{reg_};
};

TEST_F(FolderSettingsTest, AFirstControlWritesTheDocumentsFolder) {
  EXPECT_EQ(settings_.InitialDownloadFolder(u"C:\\Docs"), u"C:\\Docs");
  EXPECT_EQ(reg_.ReadString(RegistryRoot::kCurrentUser, FolderSettings::kKey, u"DownFolder"), u"C:\\Docs");
  // Later controls take what is stored.
  settings_.StoreDownloadFolder(u"D:\\\uB2E4\uC6B4");
  EXPECT_EQ(settings_.InitialDownloadFolder(u"C:\\Docs"), u"D:\\\uB2E4\uC6B4");
}

TEST_F(FolderSettingsTest, AValueThatCannotBeReadFallsBackToDocuments) {
  reg_.WriteString(RegistryRoot::kCurrentUser, FolderSettings::kKey, u"DownFolder", std::u16string(260, u'x'));
  EXPECT_EQ(settings_.InitialDownloadFolder(u"C:\\Docs"), u"C:\\Docs");
  reg_.WriteDword(RegistryRoot::kCurrentUser, FolderSettings::kKey, u"DownFolder", 7);
  EXPECT_EQ(settings_.InitialDownloadFolder(u"C:\\Docs"), u"C:\\Docs");
  EXPECT_EQ(reg_.ReadString(RegistryRoot::kCurrentUser, FolderSettings::kKey, u"DownFolder"), u"C:\\Docs");
}

TEST_F(FolderSettingsTest, TheSelectedFolderIsRemembered) {
  EXPECT_FALSE(settings_.LastSelectedFolder());
  settings_.StoreSelectedFolder(u"E:\\picked");
  EXPECT_EQ(settings_.LastSelectedFolder(), u"E:\\picked");
  // The question's answer ends in a backslash; a drive's root keeps it.
  EXPECT_EQ(SelectedFolderToStore(u"E:\\picked\\"), u"E:\\picked");
  EXPECT_EQ(SelectedFolderToStore(u"C:\\"), u"C:\\");
  EXPECT_EQ(SelectedFolderToStore(u"\\\\server\\share\\"), u"\\\\server\\share");
  EXPECT_EQ(SelectedFolderToStore(u"\\"), u"\\");
}

TEST_F(FolderSettingsTest, TempFolderMarkerAndCreation) {
  EXPECT_EQ(NormaliseTempFolder(u"$SYSTEM32$a/b", u"C:\\Windows\\system32"), u"C:\\Windows\\system32\\a\\b");
  EXPECT_EQ(NormaliseTempFolder(u"$system32$a", u"C:\\Windows\\system32"), u"$system32$a");
  EXPECT_EQ(NormaliseTempFolder(u"x/$SYSTEM32$", u"S"), u"x\\$SYSTEM32$");
  const std::u16string made = NormaliseTempFolder(u"$SYSTEM32$one/two", folder_.Path());
  CreateTempFolder(made);
  EXPECT_TRUE(p::IsDirectory(folder_ / u"one\\two"));
  EXPECT_FALSE(p::PathExists(folder_ / u"one\\two\\empty"));
}

}  // namespace
}  // namespace vard
