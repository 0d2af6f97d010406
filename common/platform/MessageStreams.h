#pragma once
// A program that speaks a binary protocol on its standard input and output
// (a browser's native messaging host) takes them over with this: raw bytes
// both ways, no text-mode translation, and the standard streams left on the
// null device so that stray prints and child processes cannot write into
// the protocol or hold it open.
#include <cstddef>
#include <memory>

namespace vard::platform {

class IByteChannel {
 public:
  virtual ~IByteChannel() = default;
  // Reads up to `size` bytes; 0 at the end of the stream or on failure.
  virtual size_t ReadSome(char* data, size_t size) = 0;
  // Writes everything; false when the other side went away.
  virtual bool WriteAll(const char* data, size_t size) = 0;
};

// Once per process, before anything else writes to standard output.
std::unique_ptr<IByteChannel> TakeStandardStreams();

}  // namespace vard::platform
