#pragma once
// The client's side of the file service broker's pipe. Made by whoever
// wires a program together and handed to its users; used by one thread
// (the download worker). Every operation answers a broker status (1 on
// success; 2 transfer failed while connected, 5 unexpected answer length,
// 6 not connected, 9 write too large, 4 unreadable input).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/platform/Clock.h"
#include "common/platform/Pipe.h"

namespace vard::fsb {

class FileBrokerClient {
 public:
  // `clock` paces the connection attempts and the wait for a launched broker.
  explicit FileBrokerClient(platform::IClock& clock, std::u16string pipeName = kPipeName);
  FileBrokerClient(const FileBrokerClient&) = delete;
  FileBrokerClient& operator=(const FileBrokerClient&) = delete;

  // Whether a broker holds its single-instance mutex (looked up, not created).
  bool IsRunning() const;
  // Stores the program path when it is readable.
  bool SetProgramPath(const std::u16string& path);
  // Starts the broker in console mode (elevated on major version 6 and
  // later) and waits until it is ready. Only when not connected.
  bool Launch();
  // Up to `attempts` tries, `delayMs` apart (the agent: 3, 500 ms).
  int Connect(int attempts, uint32_t delayMs);
  void Disconnect();
  bool IsConnected() const { return connected_; }
  // Whether this client ever reached a broker.
  bool EverConnected() const { return everConnected_; }

  int Open(const std::u16string& path, uint32_t disposition);
  int Seek(int64_t distance, uint32_t method, int64_t* newPosition);
  // `written` null: the broker is not asked for the count.
  int Write(const void* bytes, uint32_t count, uint32_t* written);
  // Pipelined writes, the count asked: SendWrite sends a request without
  // waiting for its answer; ReceiveWriteAnswer takes the answers in the
  // order the requests went. `framed` is kHeaderSize bytes of room for the
  // header, then the bytes to write; it is sent in place. While answers are
  // due every other operation answers 2 without sending anything, so the
  // caller bounds how many it sends ahead (the broker's answers must fit
  // the pipe while it is not read).
  int SendWrite(std::span<uint8_t> framed);
  int ReceiveWriteAnswer(uint32_t* written);
  uint32_t AnswersDue() const { return due_; }
  // `got` null: the broker is not asked for the count.
  int Read(void* buffer, uint32_t count, uint32_t* got);
  int Close();
  int CreateFolderChain(const std::u16string& pathEndingInSeparator);
  int QueryMode(uint8_t* mode);
  int QueryConnections(uint32_t* count);
  int Shutdown();

 private:
  // What came back: nothing when the transfer failed, else the data after
  // the status (valid until the next request).
  struct Answer {
    bool received = false;
    std::span<const uint8_t> data;
  };
  // One request and its answer: the broker's status, or the client's when
  // the transfer failed.
  int Transfer(uint32_t opcode, uint32_t param, std::span<const uint8_t> payload, Answer* answer);
  int Send(const uint8_t* message, uint32_t size);
  int Receive(Answer* answer);
  // A write's answer: the status, and the count when it was asked.
  static int WriteStatus(int s, const Answer& answer, uint32_t* written);
  // For operations whose answer is the status alone.
  int StatusOnly(uint32_t opcode, uint32_t param, std::span<const uint8_t> payload);

  platform::IClock& clock_;
  std::u16string pipeName_;
  platform::PipeEnd pipe_;
  bool connected_ = false;
  bool everConnected_ = false;
  uint32_t due_ = 0;  // answers of pipelined writes not yet read
  std::u16string programPath_;
  std::vector<uint8_t> buffer_;
};

}  // namespace vard::fsb
