// The recording relay counts a request once the server has answered it: a
// request sent on a connection the server had already closed is sent again
// by the client on a new one, and must not count twice.
#include "common/http/testing/RecordingFront.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "common/http/testing/LoopbackSocket.h"
#include "common/platform/Clock.h"

namespace vard::http_testing {
namespace {

constexpr char kRequest[] = "GET /x HTTP/1.1\r\nHost: h\r\n\r\n";
constexpr char kAnswer[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

// Reads from `fd` until `n` bytes came or the peer is gone.
std::string ReadBytes(int fd, size_t n) {
  std::string got;
  char buffer[256];
  while (got.size() < n) {
    const ssize_t r = ::recv(fd, buffer, sizeof buffer, 0);
    if (r <= 0) break;
    got.append(buffer, static_cast<size_t>(r));
  }
  return got;
}

TEST(RecordingFrontTest, ARequestTheServerNeverAnsweredIsRecordedButNotCounted) {
  uint16_t backendPort = 0;
  const int listener = ListenOnLoopback(&backendPort, "backend");
  // Answers one request per connection, then closes it unanswered once the
  // client sent another, as a server does with a kept-alive connection
  // whose time ran out.
  std::promise<void> secondSent;
  std::thread backend([listener, sent = secondSent.get_future()]() mutable {
    for (int i = 0; i < 2; ++i) {
      const int fd = ::accept(listener, nullptr, nullptr);
      if (fd < 0) return;
      if (ReadBytes(fd, sizeof kRequest - 1).size() == sizeof kRequest - 1)
        SendAll(fd, kAnswer, sizeof kAnswer - 1);
      if (i == 0) sent.wait_for(std::chrono::seconds(10));
      ::close(fd);
    }
  });
  {
    RecordingFront front(backendPort);
    const auto connect = [&front] {
      const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in a = Loopback(front.Port());
      EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
      return fd;
    };
    const int first = connect();
    SendAll(first, kRequest, sizeof kRequest - 1);
    EXPECT_EQ(ReadBytes(first, sizeof kAnswer - 1), kAnswer);
    // The same connection again: the server closes it without an answer.
    SendAll(first, kRequest, sizeof kRequest - 1);
    EXPECT_TRUE(platform::SystemClock().WaitUntil(
        [&front] { return SplitRequests(front.Connections().at(0)).size() == 2; }, 10000, 2));
    secondSent.set_value();
    EXPECT_EQ(ReadBytes(first, 1), "");
    ::close(first);
    const int second = connect();
    SendAll(second, kRequest, sizeof kRequest - 1);
    EXPECT_EQ(ReadBytes(second, sizeof kAnswer - 1), kAnswer);
    ::close(second);

    int sent = 0, answered = 0;
    for (const auto& c : front.Connections()) sent += static_cast<int>(SplitRequests(c).size());
    for (const auto& c : front.AnsweredConnections()) answered += static_cast<int>(SplitRequests(c).size());
    EXPECT_EQ(sent, 3);
    EXPECT_EQ(answered, 2);
    front.Clear();
    for (const auto& c : front.AnsweredConnections()) EXPECT_EQ(c, "");
  }
  backend.join();
  ::close(listener);
}

}  // namespace
}  // namespace vard::http_testing
