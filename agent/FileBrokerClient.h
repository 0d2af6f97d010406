#pragma once
// The agent's side of the file service broker's pipe. Used by one thread
// (the download worker); every operation answers a broker status (1 on
// success; 2 transfer failed while connected, 5 unexpected answer length,
// 6 not connected, 9 write too large, 4 unreadable input).
#include <cstdint>
#include <string>
#include <vector>

#include "common/platform/Pipe.h"

namespace vard {

class FileBrokerClient {
 public:
  // The one client of the process, made on first use.
  static FileBrokerClient& Instance();

  FileBrokerClient();
  explicit FileBrokerClient(std::u16string pipeName);
  FileBrokerClient(const FileBrokerClient&) = delete;
  FileBrokerClient& operator=(const FileBrokerClient&) = delete;

  // Whether a broker holds its single-instance mutex (looked up, not created).
  bool IsRunning() const;
  // Stores the program path when it is readable.
  bool SetProgramPath(const std::u16string& path);
  // Starts the broker in console mode (elevated on major version 6 and
  // later) and waits until it is ready. Only when not connected.
  bool Launch();
  int Connect(int attempts, uint32_t delayMs);
  void Disconnect();
  bool IsConnected() const { return connected_; }

  int Open(const std::u16string& path, uint32_t disposition);
  int Seek(int64_t distance, uint32_t method, int64_t* newPosition);
  // `written` null: the broker is not asked for the count.
  int Write(const void* bytes, uint32_t count, uint32_t* written);
  // `got` null: the broker is not asked for the count.
  int Read(void* buffer, uint32_t count, uint32_t* got);
  int Close();
  int CreateFolderChain(const std::u16string& pathEndingInSeparator);
  int QueryMode(uint8_t* mode);
  int QueryConnections(uint32_t* count);
  int Shutdown();

  // One request and its answer (status first). Answers a client status
  // when the transfer itself failed.
  int Transfer(uint32_t opcode, uint32_t param, const void* payload, uint32_t length, std::vector<uint8_t>* answer);

 private:
  int StatusOnly(uint32_t opcode, uint32_t param, const void* payload, uint32_t length);

  std::u16string pipeName_;
  platform::PipeEnd pipe_;
  bool connected_ = false;
  std::u16string programPath_;
  std::vector<uint8_t> buffer_;
};

}  // namespace vard
