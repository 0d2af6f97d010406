// The system's URL security manager places this machine's pages.
#include <gtest/gtest.h>

#include "common/platform/FileSystem.h"
#include "common/platform/OriginMark.h"
#include "common/platform/UrlZone.h"
#include "common/platform/tests/TestFolder.h"

namespace vard::platform {
namespace {

TEST(UrlZoneWin32, TheSystemPlacesLocalPagesOnThisMachine) {
  EXPECT_EQ(ZoneOfUrl(u"file:///C:/pages/page.html"), UrlZone::kLocalMachine);
  EXPECT_EQ(ZoneOfUrl(u"http://www.example.com/"), UrlZone::kInternet);
}

// The manager is asked to read a saved file's mark: an Internet page saved
// to disk stays in the Internet zone.
TEST(UrlZoneWin32, ASavedPageKeepsTheZoneOfItsMark) {
  testing::TestFolder folder;
  const std::u16string page = folder / u"saved.html";
  {
    File f = File::Open(page, access::kWrite, 0, Disposition::kCreateAlways);
    uint32_t n = 0;
    ASSERT_TRUE(f.Write("<p>", 3, &n));
  }
  std::u16string url = u"file:///" + page;
  for (char16_t& c : url)
    if (c == u'\\') c = u'/';
  if (!WriteFileOriginMark(page, MakeOriginMark(u"https://evil.test/p.html", u"", UrlZone::kInternet)))
    GTEST_SKIP() << "this file system keeps no streams (Wine)";
  EXPECT_EQ(ZoneOfUrl(url), UrlZone::kInternet);
}

}  // namespace
}  // namespace vard::platform
