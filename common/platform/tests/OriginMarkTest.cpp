// Origin marks: their text, and the real file system's marks read back.
#include "common/platform/OriginMark.h"

#include <gtest/gtest.h>

#include <tuple>

#include "common/platform/IFileSystem.h"
#include "common/platform/tests/TestFolder.h"

namespace vard::platform {
namespace {

TEST(OriginMark, TheMarkTakesTheMoreRestrictiveZone) {
  using Z = UrlZone;
  const std::tuple<std::optional<Z>, Z, Z> cases[] = {
      {std::nullopt, Z::kInternet, Z::kInternet},    {std::nullopt, Z::kIntranet, Z::kIntranet},
      {Z::kIntranet, Z::kInternet, Z::kInternet},    // an Internet file a trusted page fetched
      {Z::kInternet, Z::kIntranet, Z::kInternet},    {Z::kLocalMachine, Z::kTrusted, Z::kTrusted},
      {Z::kRestricted, Z::kInternet, Z::kRestricted}, {Z::kInternet, Z::kRestricted, Z::kRestricted},
  };
  for (const auto& [page, file, mark] : cases) EXPECT_EQ(MarkZone(page, file), mark);
}

TEST(OriginMark, NoPasswordsAndNoLineBreaksReachTheMark) {
  const OriginMark m = MakeOriginMark(u"https://me:pw@files.test/setup.exe\r\nZoneId=0",
                                      u"http://user@shop.test/index.html", UrlZone::kInternet);
  EXPECT_EQ(m.hostUrl, u"https://files.test/setup.exe" u"ZoneId=0");
  EXPECT_EQ(m.referrerUrl, u"http://shop.test/index.html");
  const std::string text = ZoneIdentifierText(m);
  EXPECT_EQ(text,
            "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=http://shop.test/index.html\r\n"
            "HostUrl=https://files.test/setup.exeZoneId=0\r\n");
  EXPECT_EQ(ParseZoneIdentifier(text), m);
  // Without a page there is no referrer line.
  EXPECT_EQ(ZoneIdentifierText(MakeOriginMark(u"http://h/\uBB38.zip", u"", UrlZone::kIntranet)),
            "[ZoneTransfer]\r\nZoneId=1\r\nHostUrl=http://h/\xEB\xAC\xB8.zip\r\n");
  EXPECT_FALSE(ParseZoneIdentifier("HostUrl=http://h/\r\n"));
  EXPECT_FALSE(ParseZoneIdentifier("[ZoneTransfer]\r\nZoneId=9\r\n"));
}

// Where the file system keeps marks, they come back as written; where it
// refuses them (a stream under Wine, attributes on some file systems) the
// write says so and the file stays as it was.
TEST(OriginMark, TheRealFileSystemKeepsOrRefusesTheMark) {
  testing::TestFolder folder;
  const std::u16string path = folder / u"setup.exe";
  {
    File f = File::Open(path, access::kWrite, 0, Disposition::kCreateAlways);
    uint32_t n = 0;
    ASSERT_TRUE(f.Write("MZ", 2, &n));
  }
  const OriginMark mark = MakeOriginMark(u"http://files.test/setup.exe", u"http://shop.test/", UrlZone::kInternet);
  IFileSystem& files = RealFileSystem();
  if (!files.WriteOriginMark(path, mark)) {
    EXPECT_EQ(FileSizeOf(path), 2);
    GTEST_SKIP() << "this file system keeps no origin marks";
  }
  EXPECT_EQ(files.ReadOriginMark(path), mark);
  std::vector<std::u16string> names;
  ASSERT_TRUE(files.List(folder.Path(), &names));
  EXPECT_EQ(names, std::vector<std::u16string>{u"setup.exe"});  // a mark is no file of its own
  EXPECT_FALSE(files.ReadOriginMark(folder / u"unmarked"));
}

}  // namespace
}  // namespace vard::platform
