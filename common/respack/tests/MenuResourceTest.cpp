#include "common/respack/MenuResource.h"

#include <gtest/gtest.h>

#include "common/respack/ResourceImage.h"
#include "resources/PackImages.h"

namespace vard {
namespace {

std::vector<uint8_t> PackMenu(uint32_t pack) {
  const auto tables = ReadResourceImage(PackImage(pack));
  return tables ? tables->menus.at(204) : std::vector<uint8_t>();
}

TEST(MenuResource, ContextMenuOfBothPacks) {
  const auto ko = FirstPopupItems(PackMenu(201));
  ASSERT_EQ(ko.size(), 4u);
  EXPECT_EQ(ko[0].id, 32772u);
  EXPECT_EQ(ko[0].text, u"파일 열기(&O)");
  EXPECT_TRUE(ko[1].separator);
  EXPECT_FALSE(ko[0].separator);
  EXPECT_EQ(ko[2].id, 32773u);
  EXPECT_EQ(ko[2].text, u"선택파일 다운로드(&D)");
  EXPECT_EQ(ko[3].id, 32774u);
  EXPECT_EQ(ko[3].text, u"전체 다운로드(&A)");
  const auto en = FirstPopupItems(PackMenu(202));
  ASSERT_EQ(en.size(), 4u);
  EXPECT_EQ(en[0].text, u"File &Open");
  EXPECT_EQ(en[3].text, u"Download &All Files");
}

TEST(MenuResource, TruncatedMenusAreRejected) {
  const auto menu = PackMenu(202);
  for (size_t keep = 0; keep < menu.size(); ++keep) {
    EXPECT_FALSE(ParseMenu(std::vector<uint8_t>(menu.begin(), menu.begin() + keep)).has_value()) << keep;
  }
}

TEST(MenuResource, ReadsTheExtendedFormat) {
  // Header (version 1, offset 4, help id), one pop-up "P" holding a
  // separator and the item 7 "A".
  const std::vector<uint8_t> bytes = {
      1, 0, 4, 0, 0, 0, 0, 0,                                      // header
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x81, 0, 'P', 0, 0, 0,  // pop-up, last
      0, 0,                                                        // align
      0, 0, 0, 0,                                                  // help id
      0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,              // separator
      0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 0x80, 0, 'A', 0, 0, 0,  // item 7, last
  };
  const auto items = FirstPopupItems(bytes);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_TRUE(items[0].separator);
  EXPECT_EQ(items[1].id, 7u);
  EXPECT_EQ(items[1].text, u"A");
}

}  // namespace
}  // namespace vard
