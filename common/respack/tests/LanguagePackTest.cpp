#include "common/respack/LanguagePack.h"

#include <gtest/gtest.h>

#include "resources/PackImages.h"

namespace vard {
namespace {

TEST(LanguagePack, SelectsByLanguageIgnoringCase) {
  LanguageStore store;
  EXPECT_TRUE(SelectAndValidatePack(u"KO", PackImage, store));
  EXPECT_EQ(store.Text(1), u"KO");
  EXPECT_EQ(store.Text(101), u"파일 이름");
  EXPECT_TRUE(SelectAndValidatePack(u"En", PackImage, store));
  EXPECT_EQ(store.Text(1), u"EN");
  EXPECT_EQ(store.Text(110), u"All files : %d (%s)");
  EXPECT_TRUE(SelectAndValidatePack(u"ko", PackImage, store));
  EXPECT_EQ(store.Text(114), u"전송중");
}

TEST(LanguagePack, UnknownLanguageNeverValidates) {
  LanguageStore store;
  EXPECT_FALSE(SelectAndValidatePack(u"ja", PackImage, store));
  EXPECT_TRUE(store.Empty());
  EXPECT_EQ(store.Text(101), u"");
  ASSERT_TRUE(SelectAndValidatePack(u"ko", PackImage, store));
  EXPECT_FALSE(SelectAndValidatePack(u"ja", PackImage, store));
  EXPECT_EQ(store.Text(1), u"KO");  // kept
  EXPECT_FALSE(SelectAndValidatePack(u"", PackImage, store));
  EXPECT_EQ(store.Text(1), u"KO");
}

TEST(LanguagePack, RejectsWrongSignatureAndBrokenImages) {
  LanguageStore store;
  // The agent's table has no signature text.
  auto agentTable = [](uint32_t) { return PackImage(kAgentKoreanTableId); };
  EXPECT_FALSE(SelectAndValidatePack(u"ko", agentTable, store));
  static const uint8_t garbage[] = {'M', 'Z', 1, 2, 3};
  EXPECT_FALSE(SelectAndValidatePack(u"ko", [](uint32_t) { return std::span<const uint8_t>(garbage); }, store));
  EXPECT_FALSE(SelectAndValidatePack(u"ko", nullptr, store));
  EXPECT_TRUE(store.Empty());
}

TEST(LanguagePack, AgentTableChoiceAndFailure) {
  LanguageStore store;
  EXPECT_TRUE(LoadAgentLanguageTable(u"EN", PackImage, store));
  EXPECT_EQ(store.Text(201), u"File Name");
  EXPECT_TRUE(LoadAgentLanguageTable(u"ko", PackImage, store));
  EXPECT_EQ(store.Text(201), u"파일명");
  EXPECT_TRUE(LoadAgentLanguageTable(u"", PackImage, store));
  EXPECT_EQ(store.Text(506), u"완료");
  EXPECT_FALSE(LoadAgentLanguageTable(u"en", [](uint32_t) { return std::span<const uint8_t>(); }, store));
  EXPECT_TRUE(store.Empty());
}

}  // namespace
}  // namespace vard
