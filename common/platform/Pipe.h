#pragma once
// Message pipes between processes on one machine. Win32: a message-mode
// named pipe ("\\.\pipe\<name>"). POSIX: a SOCK_SEQPACKET Unix socket at
// R/pipe/<name> (R is the user's 0700 runtime folder). Both keep message
// boundaries and report a lost peer with the same Win32 numbers: reads fail
// with kBrokenPipe, writes with kNoData (Win32 also kPipeNotConnected once
// the server disconnected); a message larger than the read buffer fails
// with kMoreData.
#include <cstdint>
#include <string>
#include <utility>

#include "common/platform/Clock.h"

namespace vard::platform {

namespace error {
// The pipe's name, or on POSIX the path of its socket file, is too long.
constexpr uint32_t kFilenameExcedRange = 206;
}  // namespace error

// One end of a connection. Owns it; moves, never copies.
class PipeEnd {
 public:
  PipeEnd() = default;
  PipeEnd(intptr_t native, bool serverSide) : native_(native), server_(serverSide) {}
  ~PipeEnd() { Close(); }
  PipeEnd(PipeEnd&& other) noexcept
      : native_(std::exchange(other.native_, kInvalid)), server_(other.server_), quick_(other.quick_) {}
  PipeEnd& operator=(PipeEnd&& other) noexcept {
    if (this != &other) {
      Close();
      native_ = std::exchange(other.native_, kInvalid);
      server_ = other.server_;
      quick_ = other.quick_;
    }
    return *this;
  }
  PipeEnd(const PipeEnd&) = delete;
  PipeEnd& operator=(const PipeEnd&) = delete;

  bool IsOpen() const { return native_ != kInvalid; }
  // Reads one whole message.
  bool ReadMessage(void* buffer, uint32_t size, uint32_t* bytesRead);
  // Writes one message.
  bool WriteMessage(const void* data, uint32_t size, uint32_t* bytesWritten);
  // Server side: flushes and disconnects before closing.
  void Close();
  // True once the peer has closed its end and every message it sent was
  // read. Safe while another thread waits in ReadMessage; false where the
  // system cannot tell without disturbing that wait (Win32).
  bool PeerHasLeft() const;

 private:
  static constexpr intptr_t kInvalid = -1;
  intptr_t native_ = kInvalid;
  bool server_ = false;
  bool quick_ = true;  // POSIX: the last message came without a long wait
};

// Server side of a pipe name. Access: on Win32 the interactive user and the
// local system, local callers only; on POSIX the owner of the runtime folder.
class PipeListener {
 public:
  // `clock` paces the retries of a listener that ran out of descriptors.
  PipeListener(std::u16string name, uint32_t bufferSize, IClock& clock = SystemClock());
  ~PipeListener();
  PipeListener(const PipeListener&) = delete;
  PipeListener& operator=(const PipeListener&) = delete;

  // Serves the name from now on (POSIX: the socket listens; Win32: the
  // first pipe instance exists), so a server can tell its starter whether
  // it serves. False with the last error when it cannot; Accept opens by
  // itself when this was not called.
  bool Open();
  // Waits for the next client. On failure the result is not open and
  // *fatal tells whether the listener cannot go on (no instance could be
  // created) or may simply try again.
  PipeEnd Accept(bool* fatal);
  // Serves the name no more: the waiting instance (Win32) or the listening
  // socket (POSIX) is closed. For the thread that calls Accept.
  void Close();

 private:
  std::u16string name_;
  uint32_t bufferSize_;
  IClock& clock_;
  // POSIX: the listening socket. Win32: the instance Open made, not yet
  // accepted on.
  intptr_t native_ = -1;
};

// Where the system keeps the pipe, in the OS's form, for messages: the
// name on Win32, the socket file's path on POSIX.
std::u16string PipeLocation(const std::u16string& name);

// Client side: opens the pipe for reading and writing. Not open on failure
// (kFileNotFound when nobody serves the name, kPipeBusy ...).
PipeEnd ConnectPipe(const std::u16string& name);

// Tells when a server started after this object was made serves the name
// (POSIX: the socket file was replaced; a stale file does not count. Win32:
// the name has an instance, waiting or busy).
class PipeServedWatch {
 public:
  explicit PipeServedWatch(const std::u16string& name);
  bool Served() const;

 private:
  std::u16string name_;
  uint64_t before_ = 0;
};

}  // namespace vard::platform
