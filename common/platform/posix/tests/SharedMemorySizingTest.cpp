// An object another process made but has not sized yet: shm_open and
// ftruncate are two steps, and an opener may come in between.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/platform/FileSystem.h"
#include "common/platform/SharedMemory.h"
#include "common/platform/testing/FakeClock.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

using testing::FakeClock;

// An object made as another process's creator makes it, left unsized.
class UnsizedObject {
 public:
  UnsizedObject() {
    name = AsciiToUtf16("vard_shm_unsized_" + std::to_string(::getpid()) + "_" + std::to_string(++counter_));
    osName_ = "/" + Utf16ToUtf8(name) + "." + std::to_string(::getuid());
    fd_ = ::shm_open(osName_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  }
  ~UnsizedObject() {
    if (fd_ >= 0) ::close(fd_);
    ::shm_unlink(osName_.c_str());
  }
  bool Made() const { return fd_ >= 0; }
  bool Size(off_t size) const { return ::ftruncate(fd_, size) == 0; }

  std::u16string name;

 private:
  static inline int counter_ = 0;
  std::string osName_;
  int fd_ = -1;
};

TEST(SharedMemorySizing, OpenerWaitsForTheCreatorToSizeTheObject) {
  UnsizedObject object;
  ASSERT_TRUE(object.Made());
  FakeClock clock;
  clock.At(40, [&] { EXPECT_TRUE(object.Size(8192)); });
  SharedMemory m = SharedMemory::CreateOrOpen(object.name, 8192, clock);
  ASSERT_TRUE(m.IsOpen());
  EXPECT_EQ(clock.Elapsed(), 40u);
  m.Data()[8191] = 1;  // the whole view is backed

  // The same with real time and a creator on another thread.
  UnsizedObject later;
  ASSERT_TRUE(later.Made());
  std::thread creator([&] {
    SystemClock().Sleep(20);
    later.Size(4096);
  });
  SharedMemory real = SharedMemory::CreateOrOpen(later.name, 4096);
  creator.join();
  EXPECT_TRUE(real.IsOpen());
}

TEST(SharedMemorySizing, ObjectNeverSizedOrTooSmallFailsWithAReason) {
  UnsizedObject object;
  ASSERT_TRUE(object.Made());
  FakeClock clock;
  SetLastErrorCode(0);
  EXPECT_FALSE(SharedMemory::CreateOrOpen(object.name, 4096, clock).IsOpen());
  EXPECT_EQ(LastError(), error::kInvalidParameter);
  EXPECT_EQ(clock.Elapsed(), SharedMemory::kSizingWaitMs);

  // Sized, but smaller than the region: no wait, it will not grow.
  ASSERT_TRUE(object.Size(100));
  FakeClock other;
  EXPECT_FALSE(SharedMemory::CreateOrOpen(object.name, 4096, other).IsOpen());
  EXPECT_EQ(LastError(), error::kInvalidParameter);
  EXPECT_EQ(other.Elapsed(), 0u);
  EXPECT_TRUE(SharedMemory::CreateOrOpen(object.name, 100, other).IsOpen());
}

}  // namespace
}  // namespace vard::platform
