#include "common/respack/ResourceImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "resources/PackImages.h"

namespace vard {
namespace {

std::vector<uint8_t> Image(uint32_t id) {
  const auto bytes = PackImage(id);
  return {bytes.begin(), bytes.end()};
}

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

// Offsets of a PE32 image's fields that the tests break.
size_t NtHeader(const std::vector<uint8_t>& b) { return Get32(b, 0x3C); }
size_t SizeOfImageAt(const std::vector<uint8_t>& b) { return NtHeader(b) + 24 + 56; }
size_t ResourceDirectoryAt(const std::vector<uint8_t>& b) { return NtHeader(b) + 24 + 96 + 2 * 8; }

std::string Error(const std::vector<uint8_t>& bytes) {
  std::string error;
  EXPECT_FALSE(ReadResourceImage(bytes, &error).has_value());
  return error;
}

TEST(ResourceImage, ReadsEveryTableOfTheKoreanPack) {
  const auto tables = ReadResourceImage(Image(201));
  ASSERT_TRUE(tables.has_value());
  EXPECT_EQ(tables->strings.at(0), u"VARDKT5");
  EXPECT_EQ(tables->strings.at(1), u"KO");
  EXPECT_EQ(tables->strings.at(100), u"알림");
  EXPECT_EQ(tables->strings.at(110), u"전체파일 %d개 (%s)");
  EXPECT_EQ(tables->strings.at(117), u"다운로드 되지 않은 파일입니다.");
  EXPECT_EQ(tables->strings.at(118), u"%d개");
  for (uint32_t id = 100; id <= 118; ++id) EXPECT_TRUE(tables->strings.count(id)) << id;
  EXPECT_EQ(tables->strings.size(), 21u);
  EXPECT_TRUE(tables->menus.count(204));
  for (uint32_t id : {104u, 105u, 106u, 204u, 205u}) EXPECT_TRUE(tables->dialogs.count(id)) << id;
}

TEST(ResourceImage, ReadsTheAgentTables) {
  const auto korean = ReadResourceImage(Image(222));
  const auto english = ReadResourceImage(Image(224));
  ASSERT_TRUE(korean && english);
  EXPECT_EQ(korean->strings.at(102), u"선택하신 파일중 현재 전송중인 파일이 있습니다.\n삭제하시겠습니까?");
  EXPECT_EQ(english->strings.at(102), u"Files are begin downloaded\nAre you sure?");
  EXPECT_EQ(english->strings.at(507), u"Modified");
  for (uint32_t id : {104u, 205u, 219u, 221u, 222u, 223u}) {
    EXPECT_TRUE(korean->dialogs.count(id)) << id;
    EXPECT_TRUE(english->dialogs.count(id)) << id;
  }
}

TEST(ResourceImage, RejectsBrokenHeadersWithTheirTexts) {
  const auto good = Image(202);
  EXPECT_EQ(Error({}), kInvalidDosHeader);
  EXPECT_EQ(Error(std::vector<uint8_t>(good.begin(), good.begin() + 40)), kInvalidDosHeader);
  auto bad = good;
  bad[0] = 'Z';
  EXPECT_EQ(Error(bad), kInvalidDosHeader);
  bad = good;
  bad[NtHeader(bad) + 1] = 'X';
  EXPECT_EQ(Error(bad), kInvalidNtHeader);
  bad = good;
  Put32(bad, 0x3C, 0xFFFFFFF0u);  // NT header beyond the file
  EXPECT_EQ(Error(bad), kInvalidNtHeader);
  bad = good;
  Put32(bad, SizeOfImageAt(bad), 0xFFFFFFFFu);
  EXPECT_EQ(Error(bad), kCannotReserve);
}

TEST(ResourceImage, RejectsTruncatedImages) {
  const auto good = Image(201);
  for (size_t keep : {size_t(64), size_t(0x100), good.size() / 2, good.size() * 3 / 4}) {
    EXPECT_FALSE(ReadResourceImage(std::vector<uint8_t>(good.begin(), good.begin() + keep)).has_value())
        << keep;
  }
}

TEST(ResourceImage, RejectsAResourceDirectoryOutsideTheImage) {
  auto bad = Image(201);
  Put32(bad, ResourceDirectoryAt(bad), Get32(bad, SizeOfImageAt(bad)) - 4);
  EXPECT_EQ(Error(bad), kInvalidResourceDirectory);
  bad = Image(201);
  Put32(bad, ResourceDirectoryAt(bad), 0xFFFFFFF0u);
  EXPECT_EQ(Error(bad), kInvalidResourceDirectory);
}

TEST(ResourceImage, SurvivesEverySingleByteCorruption) {
  // Each byte of the image set to 0xFF in turn: no crash, no read outside
  // (the sanitizer builds turn such reads into failures).
  const auto good = Image(202);
  for (size_t at = 0; at < good.size(); ++at) {
    auto bad = good;
    bad[at] ^= 0xFF;
    (void)ReadResourceImage(bad);
  }
}

}  // namespace
}  // namespace vard
