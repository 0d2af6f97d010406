#include "common/platform/SharedMemory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "common/text/Utf.h"

namespace vard::platform {
namespace {

std::u16string UniqueName(const char* tag) {
  static int counter = 0;
  return AsciiToUtf16(std::string("vard_shm_test_") + tag + "_" +
                      std::to_string(reinterpret_cast<uintptr_t>(&counter) % 100000) + "_" +
                      std::to_string(++counter) + "_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
}

struct NameGuard {
  std::u16string name;
  ~NameGuard() { RemoveSharedMemoryName(name); }
};

TEST(SharedMemory, SecondOpenSeesTheFirstOnesBytesAndFreshIsZero) {
  NameGuard g{UniqueName("share")};
  SharedMemory a = SharedMemory::CreateOrOpen(g.name, 4104);
  ASSERT_TRUE(a.IsOpen());
  ASSERT_EQ(a.Size(), 4104u);
  for (size_t i = 0; i < a.Size(); ++i) ASSERT_EQ(a.Data()[i], 0) << i;
  a.Data()[0] = 7;
  a.Data()[4103] = 9;
  SharedMemory b = SharedMemory::CreateOrOpen(g.name, 4104);
  ASSERT_TRUE(b.IsOpen());
  EXPECT_EQ(b.Data()[0], 7);
  EXPECT_EQ(b.Data()[4103], 9);
  b.ZeroFill();
  EXPECT_EQ(a.Data()[0], 0);
  EXPECT_EQ(a.Data()[4103], 0);
  // Zero-filled pages stay usable.
  a.Data()[5] = 1;
  EXPECT_EQ(b.Data()[5], 1);
}

// The upload's form-field region is hundreds of megabytes: however it is
// zeroed, every holder must read zeros after, and may write on.
TEST(SharedMemory, ALargeRegionZeroedByOneHolderReadsZeroInTheOther) {
  NameGuard g{UniqueName("large")};
  constexpr size_t kSize = (20u << 20) + 3;
  SharedMemory a = SharedMemory::CreateOrOpen(g.name, kSize);
  ASSERT_TRUE(a.IsOpen());
  SharedMemory b = SharedMemory::CreateOrOpen(g.name, kSize);
  ASSERT_TRUE(b.IsOpen());
  for (size_t at : {size_t{0}, size_t{4095}, kSize / 2, kSize - 1}) a.Data()[at] = 0x5A;
  EXPECT_EQ(b.Data()[kSize - 1], 0x5A);
  b.ZeroFill();
  for (size_t at : {size_t{0}, size_t{4095}, kSize / 2, kSize - 1}) {
    EXPECT_EQ(a.Data()[at], 0) << at;
    EXPECT_EQ(b.Data()[at], 0) << at;
  }
  b.Data()[kSize / 2] = 3;
  EXPECT_EQ(a.Data()[kSize / 2], 3);
}

TEST(SharedMemory, ExistingObjectSmallerThanTheRegionFails) {
  NameGuard g{UniqueName("small")};
  SharedMemory a = SharedMemory::CreateOrOpen(g.name, 1028);
  ASSERT_TRUE(a.IsOpen());
  EXPECT_FALSE(SharedMemory::CreateOrOpen(g.name, 1 << 20).IsOpen());
  EXPECT_TRUE(SharedMemory::CreateOrOpen(g.name, 1028).IsOpen());
}

TEST(SharedMemory, CloseAndMoveLeaveNothingBehind) {
  NameGuard g{UniqueName("move")};
  SharedMemory a = SharedMemory::CreateOrOpen(g.name, 64);
  SharedMemory b = std::move(a);
  EXPECT_FALSE(a.IsOpen());
  ASSERT_TRUE(b.IsOpen());
  b.Close();
  EXPECT_FALSE(b.IsOpen());
  EXPECT_EQ(b.Data(), nullptr);
  EXPECT_FALSE(SharedMemory::CreateOrOpen(u"", 0).IsOpen());
}

}  // namespace
}  // namespace vard::platform
