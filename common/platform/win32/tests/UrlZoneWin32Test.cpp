// The system's URL security manager places this machine's pages.
#include <gtest/gtest.h>

#include "common/platform/UrlZone.h"

namespace vard::platform {
namespace {

TEST(UrlZoneWin32, TheSystemPlacesLocalPagesOnThisMachine) {
  EXPECT_EQ(ZoneOfUrl(u"file:///C:/pages/page.html"), UrlZone::kLocalMachine);
  EXPECT_EQ(ZoneOfUrl(u"http://www.example.com/"), UrlZone::kInternet);
}

}  // namespace
}  // namespace vard::platform
