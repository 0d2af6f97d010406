#include "common/platform/MessageStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace vard::platform {
namespace {

class FdChannel final : public IByteChannel {
 public:
  FdChannel(int in, int out) : in_(in), out_(out) {}
  ~FdChannel() override {
    ::close(in_);
    ::close(out_);
  }
  size_t ReadSome(char* data, size_t size) override {
    for (;;) {
      const ssize_t n = ::read(in_, data, size);
      if (n >= 0) return static_cast<size_t>(n);
      if (errno != EINTR) return 0;
    }
  }
  bool WriteAll(const char* data, size_t size) override {
    while (size > 0) {
      const ssize_t n = ::write(out_, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }

 private:
  int in_, out_;
};

}  // namespace

std::unique_ptr<IByteChannel> TakeStandardStreams() {
  // A reader that went away is a failed write, not a killed process.
  ::signal(SIGPIPE, SIG_IGN);
  const int in = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
  const int out = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null >= 0) {
    ::dup2(null, STDIN_FILENO);
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
  }
  return std::make_unique<FdChannel>(in, out);
}

}  // namespace vard::platform
