// Resolving a page's links: one table, the same answers from WinINet and
// from our own resolver.
#include <gtest/gtest.h>

#include <string>

#include "common/platform/Http.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

namespace c = platform::combine;

// The flags the control passes: as given, or decoded with dots kept.
constexpr uint32_t kPlain = c::kBrowserMode | c::kNoEncode;
constexpr uint32_t kDecoded = kPlain | c::kDecode | c::kNoMeta;

struct Case {
  const char16_t* base;
  const char16_t* reference;
  const char16_t* expected;
  uint32_t flags = kPlain;
};

constexpr const char16_t* kPage = u"http://h/a/b/c.html?q=1#top";

void ExpectTable(const char* group, std::initializer_list<Case> cases) {
  for (const Case& t : cases) {
    std::u16string out;
    const bool ok = platform::CombineUrl(t.base, t.reference, out, t.flags);
    EXPECT_TRUE(ok) << group << ": " << Utf16ToUtf8(t.reference);
    EXPECT_EQ(Utf16ToUtf8(out), Utf16ToUtf8(t.expected))
        << group << ": " << Utf16ToUtf8(t.base) << " + " << Utf16ToUtf8(t.reference);
  }
}

TEST(CombineUrlTest, AReferenceWithASchemeIsNotResolvedAgainstThePage) {
  ExpectTable("scheme", {
      {kPage, u"mailto:x@y", u"mailto:x@y"},
      {kPage, u"mailto:", u"mailto:"},
      {kPage, u"javascript:alert(1)", u"javascript:alert(1)"},
      {kPage, u"about:blank", u"about:blank"},
      {kPage, u"urn:isbn:1", u"urn:isbn:1"},
      {kPage, u"sip:alice@h:5060", u"sip:alice@h:5060"},
      {kPage, u"ab:c?d#e", u"ab:c?d#e"},
      {kPage, u"a+b.c-d:e", u"a+b.c-d:e"},
      {kPage, u"https:x", u"https:x"},
      {kPage, u"ftp://f/x", u"ftp://f/x"},
      {kPage, u"file:///etc/passwd", u"file:///etc/passwd"},
      // Absolute URLs come back in canonical form.
      {kPage, u"HTTP://Up/Case", u"http://Up/Case"},
      {kPage, u"http://h2", u"http://h2/"},
      {kPage, u"Http://A/B/../C", u"http://A/C"},
      {kPage, u"Http://A/B/../C", u"http://A/B/../C", kDecoded},
      {kPage, u"http://h/%7e/./x/../y", u"http://h/%7e/y"},
      {kPage, u"http://h/%7e/./x/../y", u"http://h/~/./x/../y", kDecoded},
      {u"https://h:8080/dir/", u"http:rel", u"http:rel"},
  });
}

TEST(CombineUrlTest, ThePagesOwnSchemeWithoutAHostIsRelative) {
  ExpectTable("same scheme", {
      {kPage, u"http:rel", u"http://h/a/b/rel"},
      {kPage, u"HTTP:rel", u"http://h/a/b/rel"},
      {kPage, u"http:/abs", u"http://h/abs"},
      {kPage, u"http:?x", u"http://h/a/b/?x"},
      {u"https://h:8080/dir/", u"https:x", u"https://h:8080/dir/x"},
  });
}

TEST(CombineUrlTest, ColonsThatDoNotEndASchemeStayInThePath) {
  ExpectTable("no scheme", {
      {kPage, u"x/y:z", u"http://h/a/b/x/y:z"},
      {kPage, u"x?y:z", u"http://h/a/b/x?y:z"},
      {kPage, u"x#y:z", u"http://h/a/b/x#y:z"},
      {kPage, u"a_b:c", u"http://h/a/b/a_b:c"},
      {kPage, u"a~b:c", u"http://h/a/b/a~b:c"},
      {kPage, u"%41:b", u"http://h/a/b/%41:b"},
  });
}

// One letter and a colon is a drive, not a scheme.
TEST(CombineUrlTest, DrivePathsBecomeFileUrls) {
  ExpectTable("drive", {
      {kPage, u"C:\\local\\file.txt", u"file:///C:/local/file.txt"},
      {kPage, u"C:/local/file.txt", u"file:///C:/local/file.txt"},
      {kPage, u"C:\\My Files\\a b.txt", u"file:///C:/My%20Files/a%20b.txt"},
      {kPage, u"C:\\", u"file:///C:/"},
      {kPage, u"C:", u"file:///C:/"},
      {kPage, u"z:/", u"file:///z:/"},
      {kPage, u"c:file", u"file:///c:file/"},
      {u"file:///C:/dir/page.html", u"D:\\x.bin", u"file:///D:/x.bin"},
  });
}

TEST(CombineUrlTest, RelativeReferences) {
  ExpectTable("relative", {
      {u"http://h/a/b/c.html?q=1", u"d.bin", u"http://h/a/b/d.bin"},
      {kPage, u"//other/path", u"http://other/path"},
      {kPage, u"//other", u"http://other/"},
      {u"https://h:8080/dir/", u"//other/path", u"https://other/path"},
      {kPage, u"/p?x#y", u"http://h/p?x#y"},
      {kPage, u"x;y", u"http://h/a/b/x;y"},
      {kPage, u"x\\y", u"http://h/a/b/x/y"},
      {kPage, u"%41b", u"http://h/a/b/%41b"},
      {kPage, u"%41b", u"http://h/a/b/Ab", kDecoded},
      {u"HTTP://H/A/", u"x;y", u"http://H/A/x;y"},
      {u"file:///C:/dir/page.html", u"../x", u"file:///C:/x"},
  });
}

// "?q" takes the place of the page's last segment (the older rule), "#f"
// only of its fragment.
TEST(CombineUrlTest, QueryAndFragmentReferences) {
  ExpectTable("query", {
      {kPage, u"?q2", u"http://h/a/b/?q2"},
      {kPage, u"?", u"http://h/a/b/?"},
      {u"http://h", u"?q2", u"http://h/?q2"},
      {kPage, u"#f", u"http://h/a/b/c.html?q=1#f"},
      {kPage, u"#", u"http://h/a/b/c.html?q=1#"},
      {u"http://h", u"#f", u"http://h/#f"},
  });
}

TEST(CombineUrlTest, DotSegmentsGoUnlessKept) {
  ExpectTable("dots", {
      {kPage, u"../x", u"http://h/a/x"},
      {kPage, u"../x", u"http://h/a/b/../x", kDecoded},
      {kPage, u"../../../../x", u"http://h/x"},
      {u"https://h:8080/dir/", u"../x", u"https://h:8080/x"},
      {kPage, u"./y", u"http://h/a/b/y"},
      {kPage, u"..", u"http://h/a/"},
      {kPage, u"..?q", u"http://h/a/?q"},
      {kPage, u"x/../../y", u"http://h/a/y"},
      {kPage, u"/a/../b", u"http://h/b"},
      {kPage, u"/a/../b", u"http://h/a/../b", kDecoded},
  });
}

}  // namespace
}  // namespace vard
