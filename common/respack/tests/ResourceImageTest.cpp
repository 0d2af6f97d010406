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
  EXPECT_EQ(tables->strings.at(119), u"실패");
  for (uint32_t id = 100; id <= 119; ++id) EXPECT_TRUE(tables->strings.count(id)) << id;
  EXPECT_EQ(tables->strings.size(), 22u);
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

namespace vard {
namespace {

// A minimal PE32 image: headers, one section at RVA 0x1000 holding the
// resource tree built by `tree` (offsets relative to the section).
std::vector<uint8_t> MinimalImage(const std::vector<uint8_t>& tree) {
  std::vector<uint8_t> b(0x200 + tree.size(), 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, 0x40);
  std::memcpy(b.data() + 0x40, "PE\0\0", 4);
  b[0x40 + 6] = 1;     // one section
  b[0x40 + 20] = 224;  // optional header size
  const size_t opt = 0x40 + 24;
  b[opt] = 0x0B;
  b[opt + 1] = 0x01;
  Put32(b, opt + 56, 0x1000 + uint32_t(tree.size()));  // size of image
  Put32(b, opt + 60, 0x200);                            // size of headers
  Put32(b, opt + 92, 16);                               // directory count
  Put32(b, opt + 96 + 16, 0x1000);                      // resource directory
  Put32(b, opt + 96 + 20, uint32_t(tree.size()));
  const size_t section = opt + 224;
  Put32(b, section + 8, uint32_t(tree.size()));
  Put32(b, section + 12, 0x1000);
  Put32(b, section + 16, uint32_t(tree.size()));
  Put32(b, section + 20, 0x200);
  std::memcpy(b.data() + 0x200, tree.data(), tree.size());
  return b;
}

TEST(ResourceImage, SharedDataCannotMultiplyTheCopies) {
  // RT_DIALOG with 2000 IDs whose language entries all lead to one 4 KB
  // blob: the reader refuses instead of copying it 2000 times.
  const uint32_t names = 2000;
  const uint32_t typeDir = 0, nameDir = 24, langDir = nameDir + 16 + names * 8;
  const uint32_t dataEntry = langDir + 24, blob = dataEntry + 16, blobSize = 4096;
  std::vector<uint8_t> tree(blob + blobSize, 0);
  tree[typeDir + 14] = 1;
  Put32(tree, typeDir + 16, 5);
  Put32(tree, typeDir + 20, 0x80000000u | nameDir);
  tree[nameDir + 14] = uint8_t(names & 0xFF);
  tree[nameDir + 15] = uint8_t(names >> 8);
  for (uint32_t i = 0; i < names; ++i) {
    Put32(tree, nameDir + 16 + i * 8, i + 1);
    Put32(tree, nameDir + 20 + i * 8, 0x80000000u | langDir);
  }
  tree[langDir + 14] = 1;
  Put32(tree, langDir + 16, 0x409);
  Put32(tree, langDir + 20, dataEntry);
  Put32(tree, dataEntry, 0x1000 + blob);
  Put32(tree, dataEntry + 4, blobSize);
  EXPECT_EQ(Error(MinimalImage(tree)), kInvalidResourceDirectory);

  // The same tree with one name is an ordinary image.
  tree[nameDir + 14] = 1;
  tree[nameDir + 15] = 0;
  const auto one = ReadResourceImage(MinimalImage(tree));
  ASSERT_TRUE(one.has_value());
  EXPECT_EQ(one->dialogs.at(1).size(), blobSize);
}

}  // namespace
}  // namespace vard
