#include "agent/DuplicateName.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vard {
namespace {

EntryList ListOf(std::initializer_list<const char16_t*> names) {
  EntryList list;
  for (const char16_t* n : names) {
    FILE_INFO f;
    std::memset(&f, 0, sizeof f);
    StoreField(f.path, n);
    list.push_back(std::make_shared<UPLOAD_INFO>(f));
  }
  return list;
}

TEST(DuplicateName, NumbersFollowTheHighestTakenOne) {
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({})), u"a.txt");
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({u"a.txt"})), u"a(1).txt");
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({u"a.txt", u"a(1).txt"})), u"a(2).txt");
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({u"a(4).txt"})), u"a(5).txt");
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({u"a(4).txt", u"a.txt"})), u"a(5).txt");
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({u"a(1).txt", u"a(4).txt"})), u"a(5).txt");
}

TEST(DuplicateName, OtherNamesAreLeftAlone) {
  // One unit longer is ignored; other extensions and case differ.
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({u"ab.txt"})), u"a.txt");
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({u"a.TXT", u"A.txt", u"a.doc", u"a"})), u"a.txt");
  // Non-numbers read as 0; signs and blanks as wcstol takes them.
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({u"abc.txt", u"a(-3).txt"})), u"a.txt");
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({u"a( 7).txt"})), u"a(8).txt");
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({u"a_12x.txt"})), u"a(13).txt");
  // Names without extension and dotted names.
  EXPECT_EQ(DuplicateFreeName(u"readme", ListOf({u"readme"})), u"readme(1)");
  EXPECT_EQ(DuplicateFreeName(u"a.b.txt", ListOf({u"a.b.txt"})), u"a.b(1).txt");
}

TEST(DuplicateName, DirectoriesAreNotComparedAndDropOnRenaming) {
  EXPECT_EQ(DuplicateFreeName(u"x\\a.txt", ListOf({u"y\\a.txt"})), u"a(1).txt");
  EXPECT_EQ(DuplicateFreeName(u"x\\a.txt", ListOf({u"b.txt"})), u"x\\a.txt");
}

TEST(DuplicateName, ColonIsADriveOnlyRightAfterTheFirstUnit) {
  EXPECT_EQ(DuplicateFreeName(u"ab:c.txt", ListOf({u"ab:c.txt"})), u"ab:c(1).txt");
  // A different name before the ":" is a different name.
  EXPECT_EQ(DuplicateFreeName(u"ab:c.txt", ListOf({u"xy:c.txt", u"c.txt"})), u"ab:c.txt");
  EXPECT_EQ(DuplicateFreeName(u":c.txt", ListOf({u":c.txt"})), u":c(1).txt");
  // "C:" is a drive and drops like a folder.
  EXPECT_EQ(DuplicateFreeName(u"C:c.txt", ListOf({u"D:c.txt"})), u"c(1).txt");
}

TEST(DuplicateName, HugeNumberDoesNotWrapAround) {
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({u"a(99999999999).txt"})), u"a(2147483647).txt");
  EXPECT_EQ(DuplicateFreeName(u"a.txt", ListOf({u"a(2147483646).txt"})), u"a(2147483647).txt");
}

}  // namespace
}  // namespace vard
