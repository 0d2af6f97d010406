// Which second open of a file succeeds while a first handle is open: the
// whole grid of access and sharing modes, written down as Windows answers it.
// The same table runs against the real CreateFileW under Wine and against
// the POSIX emulation.
#include <gtest/gtest.h>

#include <string>

#include "common/platform/FileSystem.h"
#include "common/platform/tests/TestFolder.h"

namespace vard::platform {
namespace {

using testing::TestFolder;

struct Mode {
  uint32_t access;
  uint32_t share;
  const char* label;
};
constexpr uint32_t kR = access::kRead, kW = access::kWrite, kRW = kR | kW;
constexpr uint32_t kSR = share::kRead, kSW = share::kWrite, kSRW = kSR | kSW;
// Order of the rows and of the columns: access none, read, write, both;
// within each, shared with none, readers, writers, both.
constexpr Mode kModes[16] = {
    {0, 0, "-/-"},    {0, kSR, "-/R"},    {0, kSW, "-/W"},    {0, kSRW, "-/RW"},
    {kR, 0, "R/-"},   {kR, kSR, "R/R"},   {kR, kSW, "R/W"},   {kR, kSRW, "R/RW"},
    {kW, 0, "W/-"},   {kW, kSR, "W/R"},   {kW, kSW, "W/W"},   {kW, kSRW, "W/RW"},
    {kRW, 0, "RW/-"}, {kRW, kSR, "RW/R"}, {kRW, kSW, "RW/W"}, {kRW, kSRW, "RW/RW"},
};

// Row: the handle already open (access/share). Column: the newcomer, in the
// same order. "o" opens, "x" is refused with a sharing violation. A handle
// without read or write access neither asks for sharing nor grants it.
constexpr const char* kExpected[16] = {
    "oooo oooo oooo oooo",  // -/-
    "oooo oooo oooo oooo",  // -/R
    "oooo oooo oooo oooo",  // -/W
    "oooo oooo oooo oooo",  // -/RW
    "oooo xxxx xxxx xxxx",  // R/-
    "oooo xoxo xxxx xxxx",  // R/R
    "oooo xxxx xoxo xxxx",  // R/W
    "oooo xoxo xoxo xoxo",  // R/RW
    "oooo xxxx xxxx xxxx",  // W/-
    "oooo xxoo xxxx xxxx",  // W/R
    "oooo xxxx xxoo xxxx",  // W/W
    "oooo xxoo xxoo xxoo",  // W/RW
    "oooo xxxx xxxx xxxx",  // RW/-
    "oooo xxxo xxxx xxxx",  // RW/R
    "oooo xxxx xxxo xxxx",  // RW/W
    "oooo xxxo xxxo xxxo",  // RW/RW
};

File OpenWith(const std::u16string& path, const Mode& m) {
  return File::Open(path, m.access, m.share, Disposition::kOpenExisting);
}

TEST(FileSharing, EveryPairOfOpenModesAnswersAsWindowsDoes) {
  TestFolder dir;
  const std::u16string p = dir / u"grid.bin";
  ASSERT_TRUE(File::Open(p, kW, 0, Disposition::kCreateNew).IsOpen());
  for (int row = 0; row < 16; ++row) {
    File first = OpenWith(p, kModes[row]);
    ASSERT_TRUE(first.IsOpen()) << kModes[row].label;
    std::string got;
    for (int col = 0; col < 16; ++col) {
      if (col && col % 4 == 0) got += ' ';
      const bool opened = OpenWith(p, kModes[col]).IsOpen();
      got += opened ? 'o' : 'x';
      if (!opened) {
        EXPECT_EQ(LastError(), error::kSharingViolation) << kModes[row].label << " then " << kModes[col].label;
      }
    }
    EXPECT_EQ(got, kExpected[row]) << "first handle " << kModes[row].label;
  }
}

TEST(FileSharing, EveryOpenHandleMustAgreeAndClosingOneFreesItsClaim) {
  TestFolder dir;
  const std::u16string p = dir / u"three.bin";
  File a = File::Open(p, kR, kSRW, Disposition::kCreateNew);
  File b = File::Open(p, kR, kSR, Disposition::kOpenExisting);
  ASSERT_TRUE(a.IsOpen());
  ASSERT_TRUE(b.IsOpen());
  // a would let a writer in; b does not.
  EXPECT_FALSE(File::Open(p, kW, kSRW, Disposition::kOpenExisting).IsOpen());
  EXPECT_EQ(LastError(), error::kSharingViolation);
  b.Close();
  EXPECT_TRUE(File::Open(p, kW, kSRW, Disposition::kOpenExisting).IsOpen());
  // A refused open changes nothing for the handles after it.
  EXPECT_FALSE(File::Open(p, kR, 0, Disposition::kOpenExisting).IsOpen());
  EXPECT_TRUE(File::Open(p, kR, kSRW, Disposition::kOpenExisting).IsOpen());
}

TEST(FileSharing, RefusedCreateLeavesTheContentAlone) {
  TestFolder dir;
  const std::u16string p = dir / u"keep.bin";
  File first = File::Open(p, kRW, kSR, Disposition::kCreateNew);
  ASSERT_TRUE(first.Write("data", 4, nullptr));
  // Truncating dispositions must not cut a file they are not let into.
  EXPECT_FALSE(File::Open(p, kW, kSRW, Disposition::kCreateAlways).IsOpen());
  EXPECT_EQ(LastError(), error::kSharingViolation);
  EXPECT_FALSE(File::Open(p, kW, kSRW, Disposition::kTruncateExisting).IsOpen());
  EXPECT_EQ(first.Size(), 4);
}

}  // namespace
}  // namespace vard::platform
