// What only the socket stand-in of program windows can get into: raw and
// malformed requests, silent clients, dead windows' files, a second window
// of one class, answers that never come.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "common/platform/EventLoop.h"
#include "common/platform/FileSystem.h"
#include "common/platform/ProgramWindow.h"
#include "common/platform/WindowMessenger.h"
#include "common/platform/posix/RuntimeSocket.h"
#include "common/platform/testing/FakeClock.h"
#include "common/platform/tests/WindowHost.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

using testing::WindowHost;

std::string Ask(const std::u16string& className, const std::string& request) {
  std::string reply;
  if (!WindowRequest(className, request, &reply, 5000)) return "(failed " + std::to_string(LastError()) + ")";
  return reply;
}

// A raw connection to a window socket, for what the messenger never does.
class RawClient {
 public:
  explicit RawClient(const std::u16string& className) : fd_(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    posix::SocketAddress(posix::RuntimeSocketPath("window", className), &address);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawClient() { ::close(fd_); }
  bool Connected() const { return connected_; }
  std::string Exchange(const std::string& request) {
    if (::send(fd_, request.data(), request.size(), MSG_NOSIGNAL) < 0) return "(send failed)";
    char buffer[8192];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    return n < 0 ? "(recv failed)" : std::string(buffer, static_cast<size_t>(n));
  }

 private:
  int fd_;
  bool connected_ = false;
};

class Requests final : public IWindowRequests {
 public:
  intptr_t OnRegisteredMessage(const std::u16string&, uintptr_t wParam, intptr_t) override {
    return static_cast<intptr_t>(wParam);
  }
  void OnClose(uintptr_t) override {
    if (onClose) onClose();
  }
  std::function<void()> onClose;
};

// A loop with one window of `className` on a thread of its own.
class WindowThread {
 public:
  explicit WindowThread(std::u16string className) : className_(std::move(className)) {
    std::promise<bool> made;
    auto ready = made.get_future();
    thread_ = std::thread([this, &made] {
      EventLoop loop;
      loop_ = &loop;
      window_ = ProgramWindow::Create(loop, className_, nullptr, {u"VardTestEcho"}, requests_);
      made.set_value(window_ != nullptr);
      if (window_) loop.Run();
      window_.reset();
    });
    made_ = ready.get();
  }
  ~WindowThread() {
    if (made_) loop_->Quit(0);
    thread_.join();
  }
  bool Made() const { return made_; }
  // Runs on the loop thread from the first close request on.
  void OnClose(std::function<void(std::unique_ptr<ProgramWindow>&)> action) {
    requests_.onClose = [this, action] { action(window_); };
  }

 private:
  std::u16string className_;
  Requests requests_;
  EventLoop* loop_ = nullptr;
  std::unique_ptr<ProgramWindow> window_;
  std::thread thread_;
  bool made_ = false;
};

TEST(ProgramWindowPosix, BadRequestsAreRefusedAndTheWindowKeepsServing) {
  WindowHost host;
  ASSERT_TRUE(host.Start());
  const std::u16string top = host.TopClass();
  const std::pair<std::string, std::string> cases[] = {
      {"dance", "error: unknown request"},
      {"send VardTestCount x 0", "error: bad wParam"},
      {"send VardTestCount 0 0x1", "error: bad lParam"},
      {"command one", "error: bad control id"},
      {"send VardTestNotRegistered 1 2", "error: message not registered"},
      {std::string(5000, 's'), "error: request too long"},
  };
  for (const auto& [request, reply] : cases) {
    EXPECT_EQ(Ask(top, request), reply) << request.substr(0, 40);
    ASSERT_EQ(Ask(top, "send VardTestSum 1 2"), "3");
    EXPECT_EQ(host.ReadLine(), "top message VardTestSum 1 2");  // nothing came of the bad one
  }
  intptr_t result = 0;
  const WindowRef ref{0, top};
  EXPECT_FALSE(SendRegisteredMessage(ref, u"VardTestNotRegistered", 0, 0, &result, 5000));
  EXPECT_EQ(LastError(), error::kInvalidParameter);

  // The visible state for tests and diagnostics.
  EXPECT_EQ(Ask(top, "send VardTestCount 0 0"), "1");
  host.ReadLine();
  EXPECT_EQ(Ask(top, "dump"), "{\"window\":\"top\",\"count\":1}");
  EXPECT_EQ(Ask(host.ChildClass(), "dump"), "{\"window\":\"child\",\"count\":0}");

  // Several requests on one connection; a silent client holds nothing up.
  RawClient silent(top), busy(top);
  ASSERT_TRUE(silent.Connected() && busy.Connected());
  EXPECT_EQ(busy.Exchange("send VardTestSum 5 5"), "10");
  EXPECT_EQ(busy.Exchange("foreground"), "0");
  EXPECT_EQ(busy.Exchange("bogus"), "error: unknown request");
  EXPECT_EQ(busy.Exchange("command 4"), "0");
  EXPECT_EQ(host.ReadLine(), "top message VardTestSum 5 5");
  EXPECT_EQ(host.ReadLine(), "top foreground");
  EXPECT_EQ(host.ReadLine(), "top command 4");

  // One live window per class: a second one fails and leaves the first.
  EventLoop loop;
  Requests requests;
  EXPECT_FALSE(ProgramWindow::Create(loop, top, nullptr, {}, requests));
  EXPECT_EQ(LastError(), error::kAlreadyExists);
  ASSERT_EQ(Ask(top, "send VardTestSum 2 2"), "4");
  host.ReadLine();

  EXPECT_EQ(Ask(top, "close 0"), "0");
  int code = -1;
  EXPECT_TRUE(host.Wait(&code));
  EXPECT_EQ(code, 0);
  // Its socket went with it.
  struct stat st{};
  EXPECT_NE(::lstat(posix::RuntimeSocketPath("window", top).c_str(), &st), 0);
}

TEST(ProgramWindowPosix, ADeadWindowsSocketFileIsReplaced) {
  const std::u16string name = u"VardTestStale-" + AsciiToUtf16(std::to_string(::getpid()));
  const std::string path = posix::RuntimeSocketPath("window", name);
  ASSERT_FALSE(path.empty());
  {
    // Bound, never listening, closed: the file stays and refuses connections.
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    ASSERT_TRUE(posix::SocketAddress(path, &address));
    ::unlink(path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
  }
  EXPECT_FALSE(FindProgramWindow(name));
  {
    WindowThread window(name);
    ASSERT_TRUE(window.Made());
    const auto found = FindProgramWindow(name);
    ASSERT_TRUE(found);
    intptr_t result = 0;
    EXPECT_TRUE(SendRegisteredMessage(*found, u"VardTestEcho", 77, 0, &result, 5000));
    EXPECT_EQ(result, 77);
    // Only its user gets in.
    struct stat folder{};
    ASSERT_EQ(::stat(path.substr(0, path.rfind('/')).c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
  }
  struct stat st{};
  EXPECT_NE(::lstat(path.c_str(), &st), 0);
}

TEST(ProgramWindowPosix, AWindowMayDestroyItselfWhileClosing) {
  const std::u16string name = u"VardTestSelfClose-" + AsciiToUtf16(std::to_string(::getpid()));
  WindowThread window(name);
  ASSERT_TRUE(window.Made());
  window.OnClose([](std::unique_ptr<ProgramWindow>& self) { self.reset(); });
  EXPECT_EQ(Ask(name, "close 1"), "0");
  EXPECT_FALSE(FindProgramWindow(name));
}

TEST(ProgramWindowPosix, AnAnswerThatNeverComesTimesOutOnTheClock) {
  const std::u16string name = u"VardTestSilent-" + AsciiToUtf16(std::to_string(::getpid()));
  // A window whose thread serves its requests only when told to.
  std::promise<bool> made;
  std::promise<void> serve, served;
  std::thread owner([&] {
    EventLoop loop;
    Requests requests;
    auto window = ProgramWindow::Create(loop, name, nullptr, {u"VardTestEcho"}, requests);
    made.set_value(window != nullptr);
    serve.get_future().wait();
    if (window) loop.RunPending();
    served.set_value();
  });
  ASSERT_TRUE(made.get_future().get());
  testing::FakeClock clock;
  intptr_t result = 0;
  EXPECT_FALSE(SendRegisteredMessage({0, name}, u"VardTestEcho", 1, 0, &result, 300, clock));
  EXPECT_EQ(LastError(), error::kTimeout);
  EXPECT_EQ(clock.Elapsed(), 300u);
  // A loop that gets to it within the time answers.
  clock.At(clock.Elapsed() + 50, [&] {
    serve.set_value();
    served.get_future().wait();
  });
  EXPECT_TRUE(SendRegisteredMessage({0, name}, u"VardTestEcho", 9, 0, &result, 300, clock));
  EXPECT_EQ(result, 9);
  EXPECT_EQ(clock.Elapsed(), 350u);
  owner.join();
}

TEST(ProgramWindowPosix, ASendToAWindowOfTheSameThreadIsHandledAtOnce) {
  // Through the socket it would wait for the very loop that is waiting.
  const std::u16string name = u"VardTestOwnThread-" + AsciiToUtf16(std::to_string(::getpid()));
  EventLoop loop;
  Requests requests;
  auto window = ProgramWindow::Create(loop, name, nullptr, {u"VardTestEcho"}, requests);
  ASSERT_TRUE(window);
  intptr_t result = 0;
  ASSERT_TRUE(SendRegisteredMessage({0, name}, u"VardTestEcho", 31, 0, &result, 1000));
  EXPECT_EQ(result, 31);
  EXPECT_EQ(Ask(name, "send VardTestOther 1 1"), "error: message not registered");
  // From another thread it goes through the socket and waits for the loop.
  std::string reply;
  std::atomic<bool> answered{false};
  std::thread other([&] {
    reply = Ask(name, "send VardTestEcho 4 0");
    answered = true;
  });
  SystemClock().WaitUntil([&] { loop.RunPending(); return answered.load(); }, 5000, 1);
  other.join();
  EXPECT_EQ(reply, "4");
}

}  // namespace
}  // namespace vard::platform
