// The stand-in's zones: this machine's files and loopback hosts only.
#include <gtest/gtest.h>

#include "common/platform/UrlZone.h"

#include "common/platform/FileSystem.h"
#include "common/platform/OriginMark.h"
#include "common/platform/posix/PosixPath.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

TEST(UrlZonePosix, FilesAndLoopbackHostsAreTrusted) {
  EXPECT_EQ(ZoneOfUrl(u"file:///home/u/page.html"), UrlZone::kLocalMachine);
  EXPECT_EQ(ZoneOfUrl(u"http://127.0.0.1:8080/shop/"), UrlZone::kIntranet);
  EXPECT_EQ(ZoneOfUrl(u"http://localhost/"), UrlZone::kIntranet);
  EXPECT_EQ(ZoneOfUrl(u"file://fileserver/share/page.html"), UrlZone::kIntranet);
  EXPECT_EQ(ZoneOfUrl(u"http://localhost.evil.test/"), UrlZone::kInternet);
  EXPECT_EQ(ZoneOfUrl(u"http://10.0.0.1/"), UrlZone::kInternet);
  EXPECT_EQ(ZoneOfUrl(u"no url"), UrlZone::kInternet);
}

TEST(UrlZonePosix, AFileThatCameFromTheNetworkKeepsItsZone) {
  testing::TestFolder folder;
  const std::u16string page = folder / u"saved page.html";
  {
    File f = File::Open(page, access::kWrite, 0, Disposition::kCreateAlways);
    uint32_t n = 0;
    ASSERT_TRUE(f.Write("<p>", 3, &n));
  }
  std::u16string escaped = u"file://";
  for (char16_t c : Utf8ToUtf16(posix::ToOsPath(page))) escaped += c == u' ' ? std::u16string(u"%20") : std::u16string(1, c);
  EXPECT_EQ(ZoneOfUrl(escaped), UrlZone::kLocalMachine);
  if (!WriteFileOriginMark(page, MakeOriginMark(u"https://evil.test/p.html", u"https://evil.test/", UrlZone::kInternet)))
    GTEST_SKIP() << "this file system keeps no origin marks";
  EXPECT_EQ(ZoneOfUrl(escaped), UrlZone::kInternet);
  for (auto [from, zone] : {std::pair{u"http://127.0.0.1:8080/p.html", UrlZone::kIntranet},
                            {u"file:///etc/passwd", UrlZone::kInternet}, {u"not a url", UrlZone::kInternet}}) {
    ASSERT_TRUE(WriteFileOriginMark(page, MakeOriginMark(from, u"", UrlZone::kInternet)));
    EXPECT_EQ(ZoneOfUrl(escaped), zone) << std::string(from, from + std::char_traits<char16_t>::length(from));
  }
}

}  // namespace
}  // namespace vard::platform
