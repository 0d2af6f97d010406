// Closing a handle from another thread breaks a call blocked on it: the
// download dialog's cancel relies on it. Linux only: Wine's WinINet lets the
// blocked read run to its end (Windows breaks it).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/http/InternetHandles.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Clock.h"

namespace vard {
namespace {

TEST(CancelTest, CloseFromAnotherThreadBreaksABlockedRead) {
  CInternetSession session;
  session.Open(u"VardKT5");
  CHttpFile file;
  file.OpenUrl(session.Handle(), http_tests::ServerUrl("/data/1000000?throttle=20000"), u"",
               platform::inet::kFlagReload);
  std::thread closer([&] {
    platform::SystemClock().Sleep(300);
    file.Close();
  });
  const auto start = std::chrono::steady_clock::now();
  std::string buffer(1000000, '\0');
  EXPECT_THROW(
      {
        uint32_t got = 0;
        do got = file.Read(buffer.data(), static_cast<uint32_t>(buffer.size()));
        while (got > 0);
      },
      CInternetException);
  closer.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_FALSE(file.IsOpen());
}

TEST(CancelTest, ClosingTheSessionBreaksAnOpenWaitingForHeaders) {
  CInternetSession session;
  session.Open(u"VardKT5");
  std::thread closer([&] {
    platform::SystemClock().Sleep(300);
    session.Close();
  });
  const auto start = std::chrono::steady_clock::now();
  CHttpFile file;
  EXPECT_THROW(file.OpenUrl(session.Handle(), http_tests::ServerUrl("/data/10?delay=1500"), u"",
                            platform::inet::kFlagReload),
               CInternetException);
  closer.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1200));
}

}  // namespace
}  // namespace vard
