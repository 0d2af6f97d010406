// What another process's brief look at a named object must not change: a
// probe of the mutex in the middle of a holder's start, and a pipe whose
// client has gone while its server's reader still waits.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "common/platform/NamedMutex.h"
#include "common/platform/Pipe.h"
#include "common/platform/posix/PosixPath.h"
#include "common/platform/testing/FakeClock.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

std::u16string Unique(const char* what) {
  return AsciiToUtf16(std::string("vard-held-") + what + "-" + std::to_string(::getpid()));
}

TEST(NamedMutexProbe, AProbeHeldLongerThanAMomentDoesNotPassForAHolder) {
  const std::u16string name = Unique("mutex");
  const std::string path = posix::RuntimeSubfolder("mutex") + "/" + posix::ObjectFileName(name);
  const int probe = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(probe, 0);
  ASSERT_EQ(::flock(probe, LOCK_SH | LOCK_NB), 0);  // a prober descheduled while it looks
  testing::FakeClock clock;
  clock.At(50, [probe] { ::flock(probe, LOCK_UN); });
  bool existed = true;
  NamedMutex holder = NamedMutex::Create(name, &existed, clock);
  ASSERT_TRUE(holder.IsValid());
  EXPECT_FALSE(existed);
  EXPECT_GE(clock.Elapsed(), 50u);

  // A real holder is told at once, probe or no probe.
  const uint64_t before = clock.Elapsed();
  NamedMutex second = NamedMutex::Create(name, &existed, clock);
  EXPECT_TRUE(existed);
  EXPECT_EQ(clock.Elapsed(), before);
  EXPECT_TRUE(NamedMutex::Exists(name));
  ::close(probe);
}

TEST(PipePeer, ServerSeesAClientGoneOnlyOnceItsMessagesAreRead) {
  const std::u16string name = Unique("pipe");
  PipeListener listener(name, 4096);
  ASSERT_TRUE(listener.Open());
  PipeEnd client = ConnectPipe(name);
  ASSERT_TRUE(client.IsOpen());
  bool fatal = false;
  PipeEnd served = listener.Accept(&fatal);
  ASSERT_TRUE(served.IsOpen());
  EXPECT_FALSE(served.PeerHasLeft());

  uint32_t n = 0;
  ASSERT_TRUE(client.WriteMessage("last", 4, &n));
  client.Close();
  EXPECT_FALSE(served.PeerHasLeft()) << "a message is still to be read";
  char buffer[8];
  ASSERT_TRUE(served.ReadMessage(buffer, sizeof buffer, &n));
  EXPECT_TRUE(served.PeerHasLeft());

  // While another thread waits to read, the look takes nothing from it.
  PipeEnd second = ConnectPipe(name);
  PipeEnd served2 = listener.Accept(&fatal);
  ASSERT_TRUE(served2.IsOpen());
  std::string got;
  std::thread reader([&] {
    char b[8];
    uint32_t m = 0;
    if (served2.ReadMessage(b, sizeof b, &m)) got.assign(b, m);
  });
  EXPECT_FALSE(served2.PeerHasLeft());
  ASSERT_TRUE(second.WriteMessage("ok", 2, &n));
  reader.join();
  EXPECT_EQ(got, "ok");
}

}  // namespace
}  // namespace vard::platform
