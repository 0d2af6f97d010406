#include <gtest/gtest.h>

#include "common/http/CrackedUrl.h"

namespace vard {
namespace {

TEST(CrackedUrlTest, SplitsEveryPart) {
  const CrackedUrl u(u"http://user:pw@files.example.com:8080/a/b.txt?x=1&y=2#frag");
  EXPECT_EQ(u.scheme, u"http");
  EXPECT_EQ(u.host, u"files.example.com");
  EXPECT_EQ(u.user, u"user");
  EXPECT_EQ(u.password, u"pw");
  EXPECT_EQ(u.port, 8080);
  EXPECT_EQ(u.schemeNumber, 3);
  EXPECT_EQ(u.path, u"/a/b.txt");
  EXPECT_EQ(u.extra, u"?x=1&y=2#frag");
  EXPECT_EQ(u.ObjectName(), u"/a/b.txt?x=1&y=2#frag");
}

TEST(CrackedUrlTest, DefaultPortsAndCanonicalPath) {
  const CrackedUrl u(u"http://host/dir/../file.bin");
  EXPECT_EQ(u.port, 80);
  EXPECT_EQ(u.path, u"/file.bin");
  EXPECT_EQ(CrackedUrl(u"https://host/x").port, 443);
}

TEST(CrackedUrlTest, LongCanonicalUrlIsStillSplit) {
  const std::u16string path = u"/" + std::u16string(1500, u'p');
  const std::u16string query = u"?q=" + std::u16string(1500, u'q');
  const CrackedUrl u(u"http://host" + path + query);
  EXPECT_GT(u.canonical.size(), CrackedUrl::kCanonicalCapacity);
  EXPECT_EQ(u.host, u"host");
  EXPECT_EQ(u.path, path);
  EXPECT_EQ(u.extra, query);
}

TEST(CrackedUrlTest, FailuresLeaveEveryPartEmpty) {
  for (const char16_t* bad : {u"not a url", u""}) {
    const CrackedUrl u(bad);
    EXPECT_TRUE(u.host.empty() && u.path.empty() && u.scheme.empty()) << u.canonical.size();
  }
  // A path longer than its buffer fails the split.
  const CrackedUrl tooLong(u"http://host/" + std::u16string(3000, u'p'));
  EXPECT_FALSE(tooLong.Valid());
  EXPECT_TRUE(tooLong.path.empty());
}

}  // namespace
}  // namespace vard
