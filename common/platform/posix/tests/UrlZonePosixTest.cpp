// The stand-in's zones: this machine's files and loopback hosts only.
#include <gtest/gtest.h>

#include "common/platform/UrlZone.h"

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

}  // namespace
}  // namespace vard::platform
