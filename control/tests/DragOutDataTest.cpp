#include "control/DragOutData.h"

#include <gtest/gtest.h>

#include "common/platform/FileSystem.h"

namespace vard {
namespace {

TEST(DragOutData, ServerListDataIs24Bytes) {
  const std::vector<uint8_t> expected = {'S', 0, 'E', 0, 'R', 0, 'V', 0, 'E', 0, 'R', 0, '_', 0,
                                         'D', 0, 'R', 0, 'O', 0, 'P', 0, 0,   0};
  EXPECT_EQ(ServerListData(), expected);
  EXPECT_EQ(std::u16string(kDropMarkerName).size(), 38u);
}

TEST(DragOutData, FileDropBlockLayout) {
  const std::string path = "C:\\Temp\\{6B1F3A52-9C4E-4D7A-B8E2-0F5A7C3D9E14}";
  const auto block = FileDropBlock(path);
  ASSERT_EQ(block.size(), 281u);
  const std::vector<uint8_t> header = {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(std::equal(header.begin(), header.end(), block.begin()));
  EXPECT_EQ(std::string(block.begin() + 20, block.begin() + 20 + path.size()), path);
  EXPECT_EQ(block[20 + path.size()], 0);
  EXPECT_EQ(block[21 + path.size()], 0);
  // The longest path that fits, and one more byte that does not.
  EXPECT_EQ(FileDropBlock(std::string(259, 'p')).size(), 281u);
  EXPECT_TRUE(FileDropBlock(std::string(260, 'p')).empty());
}

TEST(DragOutData, MarkerFileIsMadeEmptyAndReplaced) {
  const std::u16string path = CreateDropMarker();
  ASSERT_FALSE(path.empty());
  {
    platform::File f = platform::File::Open(path, platform::access::kWrite, 0, platform::Disposition::kOpenExisting);
    ASSERT_TRUE(f.IsOpen());
    f.Write("junk", 4, nullptr);
  }
  EXPECT_EQ(CreateDropMarker(), path);
  EXPECT_EQ(platform::FileSizeOf(path), 0);
  platform::SetAttributes(path, platform::attribute::kNormal);
  EXPECT_TRUE(platform::RemoveFile(path));
}

}  // namespace
}  // namespace vard
