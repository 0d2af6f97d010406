// The stand-in's own file: damage in it costs only the damaged lines, and
// names never lead out of its folder.
#include <gtest/gtest.h>

#include "common/platform/FileSystem.h"
#include "common/platform/tests/RegistryFixture.h"

namespace vard::platform {
namespace {

TEST_F(RegistryTest, DamagedFileKeepsItsReadableValuesThroughAWrite) {
  ASSERT_TRUE(reg_.WriteString(R::kCurrentUser, key_, u"Keep", u"me"));
  const std::string damaged =
      "\"Keep\"=\"me\"\n\"Broken\"=\"no end\n\x01\x02garbage\xff\n\"Count\"=dword:00000007\n";
  {
    File f = File::Open(KeyFile(), access::kWrite, 0, Disposition::kCreateAlways);
    uint32_t n = 0;
    ASSERT_TRUE(f.Write(damaged.data(), static_cast<uint32_t>(damaged.size()), &n));
  }
  EXPECT_EQ(reg_.ReadString(R::kCurrentUser, key_, u"Keep"), u"me");
  ASSERT_TRUE(reg_.WriteDword(R::kCurrentUser, key_, u"New", 9));
  EXPECT_EQ(reg_.ReadString(R::kCurrentUser, key_, u"Keep"), u"me");
  EXPECT_EQ(reg_.ReadDword(R::kCurrentUser, key_, u"Count"), 7u);
  EXPECT_EQ(reg_.ReadDword(R::kCurrentUser, key_, u"New"), 9u);
}

TEST_F(RegistryTest, KeyNamesNeverLeaveTheRegistryFolder) {
  for (const std::u16string key : {u"Software\\..\\..\\escape", u"Software\\.", u"a/b", u"", u"\\\\"}) {
    EXPECT_FALSE(reg_.WriteDword(R::kCurrentUser, key, u"v", 1)) << Utf16ToUtf8(key);
    EXPECT_EQ(LastError(), error::kInvalidParameter);
  }
  EXPECT_FALSE(PathExists(folder_.Path() + u"\\vardel\\escape.reg"));
}

TEST_F(RegistryTest, ContentTypesComeFromTheMimeTable) {
  const std::u16string table = folder_ / u"mime.types";
  const std::string text = "# comment\napplication/pdf\t\tpdf\ntext/plain txt text conf\n";
  {
    File f = File::Open(table, access::kWrite, 0, Disposition::kCreateAlways);
    uint32_t n = 0;
    ASSERT_TRUE(f.Write(text.data(), static_cast<uint32_t>(text.size()), &n));
  }
  std::string os = Utf16ToUtf8(table);
  for (char& c : os)
    if (c == '\\') c = '/';
  SetEnv("VARDEL_MIME_TYPES", os.c_str());
  EXPECT_EQ(reg_.ReadString(R::kClassesRoot, u".TEXT", u"Content Type"), u"text/plain");
  EXPECT_EQ(reg_.ReadString(R::kClassesRoot, u"\\.pdf", u"Content Type"), u"application/pdf");
  EXPECT_FALSE(reg_.ReadString(R::kClassesRoot, u".unknown", u"Content Type"));
  EXPECT_FALSE(reg_.WriteString(R::kClassesRoot, u".txt", u"Content Type", u"x/y"));
  SetEnv("VARDEL_MIME_TYPES", nullptr);
}
}  // namespace
}  // namespace vard::platform

namespace vard::platform {

// The machine's keys live in a tree of their own, apart from the person's.
TEST_F(RegistryTest, MachineKeysAreKeptApartFromThePersons) {
  testing::TestFolder machine;
  std::string os = Utf16ToUtf8(machine.Path());
  for (char& c : os)
    if (c == '\\') c = '/';
  const auto saved = GetEnv("VARDEL_MACHINE_REGISTRY");
  SetEnv("VARDEL_MACHINE_REGISTRY", os.c_str());
  EXPECT_FALSE(reg_.KeyExists(R::kLocalMachine, key_));
  ASSERT_TRUE(reg_.WriteString(R::kLocalMachine, key_, u"Origins", u"https://a.test"));
  EXPECT_EQ(reg_.ReadString(R::kLocalMachine, key_, u"Origins"), u"https://a.test");
  EXPECT_FALSE(reg_.KeyExists(R::kCurrentUser, key_));
  EXPECT_TRUE(PathExists(machine.Path() + u"\\HKLM\\" + key_ + u".reg"));
  EXPECT_TRUE(reg_.DeleteKey(R::kLocalMachine, u"Software\\vardel-test"));
  SetEnv("VARDEL_MACHINE_REGISTRY", saved ? saved->c_str() : nullptr);
}

}  // namespace vard::platform
