#include "common/text/CaseFold.h"

#include <gtest/gtest.h>

namespace vard {
namespace {

TEST(CaseFold, ComparesAcrossScripts) {
  EXPECT_TRUE(EqualsIgnoreCase(u"DOCS", u"docs"));
  EXPECT_TRUE(EqualsIgnoreCase(u"ÉCOLE", u"école"));
  EXPECT_TRUE(EqualsIgnoreCase(u"ΑΒΓ", u"αβγ"));
  EXPECT_TRUE(EqualsIgnoreCase(u"ПРИВЕТ", u"привет"));
  EXPECT_TRUE(EqualsIgnoreCase(u"한글", u"한글"));
  EXPECT_FALSE(EqualsIgnoreCase(u"docs", u"doc"));
  EXPECT_FALSE(EqualsIgnoreCase(u"a", u"b"));
  EXPECT_LT(CompareIgnoreCase(u"ABC", u"abd"), 0);
  EXPECT_GT(CompareIgnoreCase(u"abc", u"AB"), 0);
  EXPECT_TRUE(StartsWithIgnoreCase(u"Type2", u"TYPE"));
}

TEST(CaseFold, UpperAndLowerAreInverse) {
  EXPECT_EQ(ToUpper(u"type2 éß"), u"TYPE2 Éß");
  EXPECT_EQ(ToLower(u"TYPE2 ÀŸ"), u"type2 àÿ");
  EXPECT_EQ(ToUpper(u"ąčž"), u"ĄČŽ");
}

}  // namespace
}  // namespace vard
