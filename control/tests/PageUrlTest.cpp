// URLs of the page made absolute: the combination's flags, Base64, and the
// length the resolution keeps.
#include "control/PageUrl.h"

#include <gtest/gtest.h>


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

// A combination without a length limit of its own, as the POSIX stand-in
// is. (Wine's own fails on results this long, so the cut is tested apart
// from the system's combination.)
std::u16string Joined(const std::u16string& page, const std::u16string& url, bool decode) {
  return page.substr(0, page.rfind(u'/') + 1) + (decode ? u"~" : u"") + url;
}

TEST(PageUrl, ResolutionKeepsAtMost2084Units) {
  const std::u16string page = u"http://h/dir/page.html";
  const std::u16string prefix = u"http://h/dir/";
  const std::u16string fits(kMaxResolvedUrl - prefix.size(), u'x');
  EXPECT_EQ(ResolvePageUrl(fits, page, false, false, Joined), prefix + fits);
  for (size_t over : {1u, 5000u}) {
    const std::u16string url = fits + std::u16string(over, u'y');
    EXPECT_EQ(ResolvePageUrl(url, page, false, false, Joined), prefix + fits) << over;
  }
  // Cut after the combination, whatever it added, and after Base64 decoding.
  const std::u16string decoded = ResolvePageUrl(fits, page, false, true, Joined);
  EXPECT_EQ(decoded, (prefix + u"~" + fits).substr(0, kMaxResolvedUrl));
  const std::u16string longBase64(4000, u'Q');  // decodes to 3000 bytes
  EXPECT_EQ(ResolvePageUrl(longBase64, page, true, false, Joined).size(), kMaxResolvedUrl);
}

TEST(PageUrl, Base64IsDecodedBeforeTheCombination) {
  // "sub/a.txt" and "http://o/b.txt"
  EXPECT_EQ(ResolvePageUrl(u"c3ViL2EudHh0", u"http://h/d/p.html", true, false), u"http://h/d/sub/a.txt");
  EXPECT_EQ(ResolvePageUrl(u"aHR0cDovL28vYi50eHQ=\r\n", u"http://h/d/p.html", true, false), u"http://o/b.txt");
  EXPECT_EQ(ResolvePageUrl(u"c3ViL2EudHh0", u"http://h/d/p.html", false, false), u"http://h/d/c3ViL2EudHh0");
}

}  // namespace
}  // namespace vard
