#include "common/platform/PathText.h"

#include <gtest/gtest.h>

#include <string>

namespace vard::platform {
namespace {

struct Split {
  std::u16string folder, name, base, ext;
  bool operator==(const Split&) const = default;
};
Split Of(const PathParts& p) {
  return {std::u16string(p.folder), std::u16string(p.name), std::u16string(p.base), std::u16string(p.ext)};
}

TEST(PathText, SplitsAtTheLastSeparatorOfEitherKindAndTheLastDot) {
  EXPECT_EQ(Of(SplitPath(u"C:\\d/e\\f.tar.gz")), (Split{u"C:\\d/e\\", u"f.tar.gz", u"f.tar", u".gz"}));
  EXPECT_EQ(Of(SplitPath(u"a/b")), (Split{u"a/", u"b", u"b", u""}));
  EXPECT_EQ(Of(SplitPath(u"name")), (Split{u"", u"name", u"name", u""}));
  // A dot in a folder is not an extension; a leading dot is one.
  EXPECT_EQ(Of(SplitPath(u"x.d\\readme")), (Split{u"x.d\\", u"readme", u"readme", u""}));
  EXPECT_EQ(Of(SplitPath(u".profile")), (Split{u"", u".profile", u"", u".profile"}));
  EXPECT_EQ(Of(SplitPath(u"a.")), (Split{u"", u"a.", u"a", u"."}));
  EXPECT_EQ(Of(SplitPath(u"dir\\")), (Split{u"dir\\", u"", u"", u""}));
  EXPECT_EQ(Of(SplitPath(u"")), (Split{}));
}

TEST(PathText, ColonEndsADriveOnlyAtIndexOneAndOnlyWhenAsked) {
  const auto drive = DriveColon::kEndsDrive;
  EXPECT_EQ(Of(SplitPath(u"C:x.txt", drive)), (Split{u"C:", u"x.txt", u"x", u".txt"}));
  EXPECT_EQ(Of(SplitPath(u"C:", drive)), (Split{u"C:", u"", u"", u""}));
  EXPECT_EQ(Of(SplitPath(u"C:\\x.txt", drive)), (Split{u"C:\\", u"x.txt", u"x", u".txt"}));
  EXPECT_EQ(Of(SplitPath(u"ab:c.txt", drive)), (Split{u"", u"ab:c.txt", u"ab:c", u".txt"}));
  EXPECT_EQ(Of(SplitPath(u":c.txt", drive)), (Split{u"", u":c.txt", u":c", u".txt"}));
  EXPECT_EQ(Of(SplitPath(u"d\\e:f", drive)), (Split{u"d\\", u"e:f", u"e:f", u""}));
  // Without the rule a colon is an ordinary unit.
  EXPECT_EQ(Of(SplitPath(u"C:x.txt")), (Split{u"", u"C:x.txt", u"C:x", u".txt"}));
}

TEST(PathText, WildcardsIncludeTheDosForms) {
  for (const char16_t* p : {u"a*", u"?", u"a<b", u"a>b", u"\"x\""}) EXPECT_TRUE(HasWildcard(p)) << static_cast<int>(p[0]);
  EXPECT_FALSE(HasWildcard(u"C:\\a b\\[c]{d}.e~f"));
}

TEST(PathText, LastComponentAndParent) {
  EXPECT_EQ(LastPathComponent(u"http://h/p/f.zip"), u"f.zip");
  EXPECT_EQ(LastPathComponent(u"a\\b/"), u"");
  EXPECT_EQ(LastPathComponent(u"C:f"), u"C:f");
  EXPECT_EQ(ParentPath(u"\\f"), u"");
  EXPECT_EQ(ParentPath(u"a\\\\f"), u"a\\");
  EXPECT_EQ(ParentPath(u"C:f"), u"");
}

}  // namespace
}  // namespace vard::platform
