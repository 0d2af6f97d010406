// URLs of the page made absolute: the combination's flags and the length
// the resolution keeps, directly and through AppendFile.
#include "control/PageUrl.h"

#include <gtest/gtest.h>

#include "control/CKT5Ctrl.h"
#include "control/tests/FakeControlServices.h"

namespace vard {
namespace {

TEST(PageUrl, CombinationFlags) {
  EXPECT_EQ(CombinePageUrl(u"http://h/a/b.html", u"c.txt", false), u"http://h/a/c.txt");
  EXPECT_EQ(CombinePageUrl(u"http://h/a/b.html?x=/y", u"c.txt", false), u"http://h/a/c.txt");
  EXPECT_EQ(CombinePageUrl(u"http://h/a/b.html", u"../c%41.txt", false), u"http://h/c%41.txt");
  // Single downloads decode escapes and leave "." and ".." alone.
  EXPECT_EQ(CombinePageUrl(u"http://h/a/b.html", u"../c%41.txt", true), u"http://h/a/../cA.txt");
  EXPECT_EQ(CombinePageUrl(u"http://h/a/", u"/c.txt", false), u"http://h/c.txt");
  EXPECT_EQ(CombinePageUrl(u"http://h/a/", u"ftp://o/c.txt", false), u"ftp://o/c.txt");
  EXPECT_EQ(CombinePageUrl(u"", u"c.txt", false), u"c.txt");
}

TEST(PageUrl, Base64IsDecodedBeforeTheCombination) {
  // "sub/a.txt" and "http://o/b.txt"
  EXPECT_EQ(ResolvePageUrl(u"c3ViL2EudHh0", u"http://h/d/p.html", true, false), u"http://h/d/sub/a.txt");
  EXPECT_EQ(ResolvePageUrl(u"aHR0cDovL28vYi50eHQ=\r\n", u"http://h/d/p.html", true, false), u"http://o/b.txt");
  EXPECT_EQ(ResolvePageUrl(u"c3ViL2EudHh0", u"http://h/d/p.html", false, false), u"http://h/d/c3ViL2EudHh0");
}

}  // namespace
}  // namespace vard
