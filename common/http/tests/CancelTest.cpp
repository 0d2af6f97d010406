// Closing a handle from another thread breaks a call blocked on it: the
// download dialog's cancel relies on it. Linux only: Wine's WinINet lets the
// blocked read run to its end (Windows breaks it).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/http/InternetException.h"
#include "common/http/InternetHandles.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Clock.h"

namespace vard {
namespace {

// The error of what `call` throws; 0 when it throws nothing.
template <typename Call>
uint32_t ThrownError(Call call) {
  try {
    call();
  } catch (const CInternetException& e) {
    return e.systemError;
  }
  return 0;
}

TEST(CancelTest, CloseFromAnotherThreadBreaksABlockedRead) {
  CInternetSession session;
  session.Open(u"VardKT5");
  CHttpFile file;
  // One byte at once, the next a minute later.
  file.OpenUrl(session.Handle(), http_tests::HostileUrl("/trickle?every=60000&n=100&t=cancel-read"), u"",
               platform::inet::kFlagReload);
  std::atomic<bool> first{false};
  std::thread closer([&] {
    platform::SystemClock().WaitUntil([&] { return first.load(); }, 10000, 5);
    file.Close();
  });
  const uint32_t error = ThrownError([&] {
    char buffer[100];
    for (;;) {
      const uint32_t got = file.Read(buffer, 1);  // a read waits to fill its buffer
      if (got == 0) break;
      first = true;
    }
  });
  closer.join();
  EXPECT_EQ(error, platform::inet::kOperationCancelled);
  EXPECT_TRUE(first.load());
  EXPECT_FALSE(file.IsOpen());
}

TEST(CancelTest, ClosingTheSessionBreaksAnOpenWaitingForHeaders) {
  CInternetSession session;
  session.Open(u"VardKT5");
  std::thread closer([&] {
    // Once the server has the request, which it never answers.
    platform::SystemClock().WaitUntil([] { return http_tests::HostileCount("cancel-open").second >= 1; }, 10000, 5);
    session.Close();
  });
  CHttpFile file;
  const uint32_t error = ThrownError([&] {
    file.OpenUrl(session.Handle(), http_tests::HostileUrl("/silent?t=cancel-open"), u"", platform::inet::kFlagReload);
  });
  closer.join();
  // Cancelled, not timed out.
  EXPECT_EQ(error, platform::inet::kOperationCancelled);
}

}  // namespace
}  // namespace vard
