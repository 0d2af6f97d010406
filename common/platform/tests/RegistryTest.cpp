// The system registry through its interface; the same cases on both
// targets (under Wine the real Reg* API answers).
#include "common/platform/Registry.h"

#include <gtest/gtest.h>

#include <string>

#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/Process.h"
#include "common/platform/tests/RegistryFixture.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypes) {
  EXPECT_FALSE(reg_.KeyExists(R::kCurrentUser, key_));
  EXPECT_FALSE(reg_.ReadString(R::kCurrentUser, key_, u"DownFolder"));
  EXPECT_EQ(LastError(), error::kFileNotFound);

  const std::u16string folder = u"C:\\\uBB38\uC11C \"quoted\"\\a\r\nb";
  ASSERT_TRUE(reg_.WriteString(R::kCurrentUser, key_, u"DownFolder", folder));
  ASSERT_TRUE(reg_.WriteDword(R::kCurrentUser, key_, u"KT_RetryNum", 0xFFFFFFFFu));
  EXPECT_TRUE(reg_.KeyExists(R::kCurrentUser, key_));
  EXPECT_EQ(reg_.ReadString(R::kCurrentUser, key_, u"downfolder"), folder);
  EXPECT_EQ(reg_.ReadDword(R::kCurrentUser, key_, u"KT_RetryNum"), 0xFFFFFFFFu);

  // Another type is not this type; a new write replaces type and value.
  EXPECT_FALSE(reg_.ReadDword(R::kCurrentUser, key_, u"DownFolder"));
  EXPECT_FALSE(reg_.ReadString(R::kCurrentUser, key_, u"KT_RetryNum"));
  ASSERT_TRUE(reg_.WriteString(R::kCurrentUser, key_, u"KT_RetryNum", u"3"));
  EXPECT_EQ(reg_.ReadString(R::kCurrentUser, key_, u"KT_RetryNum"), u"3");

  EXPECT_FALSE(reg_.ReadString(R::kCurrentUser, key_, u"Missing"));
  EXPECT_EQ(LastError(), error::kFileNotFound);
  ASSERT_TRUE(reg_.DeleteValue(R::kCurrentUser, key_, u"DOWNFOLDER"));
  EXPECT_FALSE(reg_.ReadString(R::kCurrentUser, key_, u"DownFolder"));
  EXPECT_FALSE(reg_.DeleteValue(R::kCurrentUser, key_, u"DownFolder"));
  EXPECT_TRUE(reg_.ReadString(R::kCurrentUser, key_, u"KT_RetryNum"));
}

TEST_F(RegistryTest, AValueLongerThanTheCallersBufferIsNotRead) {
  ASSERT_TRUE(reg_.WriteString(R::kCurrentUser, key_, u"Fits", std::u16string(259, u'x')));
  ASSERT_TRUE(reg_.WriteString(R::kCurrentUser, key_, u"TooLong", std::u16string(260, u'x')));
  EXPECT_EQ(reg_.ReadString(R::kCurrentUser, key_, u"Fits", 260)->size(), 259u);
  EXPECT_FALSE(reg_.ReadString(R::kCurrentUser, key_, u"TooLong", 260));
  EXPECT_EQ(LastError(), error::kMoreData);
}

TEST_F(RegistryTest, KeysAreCreatedWithParentsAndDeletedWithSubKeys) {
  ASSERT_TRUE(reg_.CreateKey(R::kCurrentUser, key_ + u"\\Sub\\Deeper"));
  EXPECT_TRUE(reg_.KeyExists(R::kCurrentUser, key_));
  EXPECT_TRUE(reg_.CreateKey(R::kCurrentUser, key_ + u"\\Sub\\Deeper"));  // exists: fine
  ASSERT_TRUE(reg_.WriteDword(R::kCurrentUser, key_ + u"\\Sub", u"v", 1));
  ASSERT_TRUE(reg_.DeleteKey(R::kCurrentUser, key_));
  EXPECT_FALSE(reg_.KeyExists(R::kCurrentUser, key_ + u"\\Sub"));
  EXPECT_FALSE(reg_.KeyExists(R::kCurrentUser, key_));
  EXPECT_FALSE(reg_.DeleteKey(R::kCurrentUser, key_));
}

TEST_F(RegistryTest, TwoProcessesWritingOneKeyLoseNothing) {
  constexpr int kEach = 40;
  const std::u16string key = u"Software\\vardel-test\\race";  // ASCII: it crosses a command line
  const std::u16string writer =
      ParentPath(ModulePath()) + u"\\registry_writer" + AsciiToUtf16(VARD_EXE_SUFFIX);
  const std::u16string count = AsciiToUtf16(std::to_string(kEach));
  ChildProcess a = ChildProcess::Start(writer, {key, u"A", count});
  ChildProcess b = ChildProcess::Start(writer, {key, u"B", count});
  ASSERT_TRUE(a.IsValid() && b.IsValid());
  int codeA = -1, codeB = -1;
  ASSERT_TRUE(a.Wait(60000, &codeA));
  ASSERT_TRUE(b.Wait(60000, &codeB));
  EXPECT_EQ(codeA, 0);
  EXPECT_EQ(codeB, 0);
  for (int i = 0; i < kEach; ++i) {
    const std::u16string n = AsciiToUtf16(std::to_string(i));
    EXPECT_EQ(reg_.ReadDword(R::kCurrentUser, key, u"A" + n), static_cast<uint32_t>(i)) << i;
    EXPECT_EQ(reg_.ReadDword(R::kCurrentUser, key, u"B" + n), static_cast<uint32_t>(i)) << i;
  }
}


}  // namespace
}  // namespace vard::platform
