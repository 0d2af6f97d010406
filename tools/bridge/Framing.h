#pragma once
// Native messaging frames: a 4-byte length in this machine's byte order,
// then that many bytes of UTF-8 JSON.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "common/platform/MessageStreams.h"

namespace vard::bridge {

// Messages either way stop at 1 MiB: the browser refuses longer ones from
// a host, and the host refuses longer ones from the browser.
constexpr uint32_t kMaxFrame = 1024 * 1024;

enum class FrameRead {
  kFrame,     // `body` holds one message
  kTooLong,   // the length was over kMaxFrame; the body was read and dropped
  kEnd,       // the stream ended cleanly between frames
  kTruncated  // the stream ended inside a frame
};

// Reads frames from `channel`; one reader, one thread.
class FrameReader {
 public:
  explicit FrameReader(platform::IByteChannel& channel) : channel_(channel) {}
  FrameRead Read(std::string& body);
  // The length of the last frame refused as too long.
  uint32_t RefusedLength() const { return refused_; }

 private:
  // Fills `size` bytes; false when the stream ended first (`got` says how far).
  bool Fill(char* data, size_t size, size_t* got);
  bool Skip(uint64_t size);

  platform::IByteChannel& channel_;
  uint32_t refused_ = 0;
};

// Writes whole frames; safe from any thread (events may come from workers).
class FrameWriter {
 public:
  explicit FrameWriter(platform::IByteChannel& channel) : channel_(channel) {}
  // False when the message is over kMaxFrame (nothing is written) or the
  // browser went away.
  bool Write(std::string_view body);

 private:
  platform::IByteChannel& channel_;
  std::mutex mutex_;
};

}  // namespace vard::bridge
