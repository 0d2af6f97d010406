#include "agent/FileBrokerClient.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/platform/Environment.h"
#include "common/platform/FileSystem.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Process.h"

namespace vard {

using namespace fsb;

namespace {
// A broker that disconnected its end answers "not connected" on Win32, not
// only "no data" or "broken pipe"; all three mean the connection is gone.
bool LostPeer(uint32_t error) {
  return error == platform::error::kNoData || error == platform::error::kBrokenPipe ||
         error == platform::error::kPipeNotConnected;
}
}  // namespace

FileBrokerClient& FileBrokerClient::Instance() {
  static FileBrokerClient client;
  return client;
}

FileBrokerClient::FileBrokerClient() : FileBrokerClient(kPipeName) {}
FileBrokerClient::FileBrokerClient(std::u16string pipeName)
    : pipeName_(std::move(pipeName)), buffer_(kMessageMax) {}

bool FileBrokerClient::IsRunning() const {
  // Only looks: creating the mutex here, even for an instant, could make a
  // broker starting at that moment stop as if another one ran.
  return platform::NamedMutex::Exists(kInstanceMutexName);
}

bool FileBrokerClient::SetProgramPath(const std::u16string& path) {
  if (path.empty()) return false;
  programPath_ = path;
  return true;
}

bool FileBrokerClient::Launch() {
  if (connected_ || programPath_.empty()) return false;
  const std::u16string verb = platform::OsMajorVersion() >= 6 ? u"runas" : u"";
  const platform::PipeServedWatch watch(pipeName_);
  return platform::ShellStartAndWait(programPath_, std::u16string(u"-") + kConsoleModeGuid, verb,
                                     [&watch] { return watch.Served(); });
}

int FileBrokerClient::Connect(int attempts, uint32_t delayMs) {
  if (connected_) return status::kSuccess;
  for (int i = 0; i < attempts; ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    pipe_ = platform::ConnectPipe(pipeName_);
    if (pipe_.IsOpen()) {
      connected_ = true;
      return status::kSuccess;
    }
  }
  return status::kFailed;
}

void FileBrokerClient::Disconnect() {
  if (connected_) pipe_.Close();
  connected_ = false;
}

int FileBrokerClient::Transfer(uint32_t opcode, uint32_t param, const void* payload, uint32_t length,
                               std::vector<uint8_t>* answer) {
  answer->clear();
  if (!connected_) return status::kNotConnected;
  if (length > kMessageMax - kHeaderSize || (length && !payload)) return status::kUnreadable;
  std::memcpy(buffer_.data(), "VDFS", 4);
  PutU32(&buffer_[4], opcode);
  PutU32(&buffer_[8], param);
  PutU32(&buffer_[12], length);
  if (length) std::memcpy(&buffer_[kHeaderSize], payload, length);
  uint32_t n = 0;
  if (!pipe_.WriteMessage(buffer_.data(), kHeaderSize + length, &n) || n != kHeaderSize + length) {
    if (LostPeer(platform::LastError())) Disconnect();
    return connected_ ? status::kFailed : status::kNotConnected;
  }
  if (!pipe_.ReadMessage(buffer_.data(), kMessageMax, &n) || n == 0) {
    if (LostPeer(platform::LastError())) Disconnect();
    return connected_ ? status::kFailed : status::kNotConnected;
  }
  answer->assign(buffer_.begin(), buffer_.begin() + n);
  return n >= 4 ? static_cast<int>(GetU32(answer->data())) : status::kBadAnswer;
}

int FileBrokerClient::StatusOnly(uint32_t opcode, uint32_t param, const void* payload, uint32_t length) {
  std::vector<uint8_t> answer;
  const int s = Transfer(opcode, param, payload, length, &answer);
  if (answer.empty()) return s;
  return answer.size() == 4 ? s : status::kBadAnswer;
}

int FileBrokerClient::Open(const std::u16string& path, uint32_t disposition) {
  const auto payload = PathPayload(path);
  int s = StatusOnly(VDFS_OPEN, param::kSetPath, payload.data(), static_cast<uint32_t>(payload.size()));
  if (s != status::kSuccess) return s;
  uint8_t d[4];
  PutU32(d, disposition);
  return StatusOnly(VDFS_OPEN, param::kOpen, d, 4);
}

int FileBrokerClient::Seek(int64_t distance, uint32_t method, int64_t* newPosition) {
  uint8_t d[8];
  PutI64(d, distance);
  std::vector<uint8_t> answer;
  const int s = Transfer(VDFS_SEEK, method, d, 8, &answer);
  if (answer.empty()) return s;
  if (s != status::kSuccess) return answer.size() == 4 ? s : status::kBadAnswer;
  if (answer.size() != 12) return status::kBadAnswer;
  if (newPosition) *newPosition = GetI64(&answer[4]);
  return s;
}

int FileBrokerClient::Write(const void* bytes, uint32_t count, uint32_t* written) {
  if (written) *written = 0;
  if (count > kWriteMax) return status::kTooLarge;
  if (count && !bytes) return status::kUnreadable;
  const uint32_t p = written ? param::kWriteCount : param::kWriteQuiet;
  std::vector<uint8_t> answer;
  const int s = Transfer(VDFS_WRITE, p, bytes, count, &answer);
  if (answer.empty()) return s;
  if (written && answer.size() == 8) {
    *written = GetU32(&answer[4]);
    return s;
  }
  // Without a count only the status; refusals (3, 8) are status only too.
  return answer.size() == 4 && (!written || s != status::kSuccess) ? s : status::kBadAnswer;
}

int FileBrokerClient::Read(void* buffer, uint32_t count, uint32_t* got) {
  if (got) *got = 0;
  if (count && !buffer) return status::kUnreadable;
  uint8_t d[4];
  PutU32(d, count);
  std::vector<uint8_t> answer;
  const int s = Transfer(VDFS_READ, got ? param::kReadCount : 0, d, 4, &answer);
  if (answer.empty()) return s;
  if (s != status::kSuccess && s != status::kFailed) return answer.size() == 4 ? s : status::kBadAnswer;
  size_t offset = 4, size = answer.size() - 4;
  if (got) {
    if (answer.size() < 8) return status::kBadAnswer;
    const uint32_t n = GetU32(&answer[4]);
    offset = 8;
    size = answer.size() - 8;
    if (n != size) return status::kBadAnswer;
  }
  if (size > count) return status::kBadAnswer;
  if (size) std::memcpy(buffer, &answer[offset], size);
  if (got) *got = static_cast<uint32_t>(size);
  return s;
}

int FileBrokerClient::Close() { return StatusOnly(VDFS_CLOSE, 0, nullptr, 0); }

int FileBrokerClient::CreateFolderChain(const std::u16string& path) {
  const auto payload = PathPayload(path);
  return StatusOnly(VDFS_MKDIR, 0, payload.data(), static_cast<uint32_t>(payload.size()));
}

int FileBrokerClient::QueryMode(uint8_t* mode) {
  std::vector<uint8_t> answer;
  const int s = Transfer(VDFS_QUERY, param::kQueryMode, nullptr, 0, &answer);
  if (answer.empty() || s != status::kSuccess) return s;
  if (answer.size() != 5) return status::kBadAnswer;
  if (mode) *mode = answer[4];
  return s;
}

int FileBrokerClient::QueryConnections(uint32_t* count) {
  std::vector<uint8_t> answer;
  const int s = Transfer(VDFS_QUERY, param::kQueryConnections, nullptr, 0, &answer);
  if (answer.empty() || s != status::kSuccess) return s;
  if (answer.size() != 8) return status::kBadAnswer;
  if (count) *count = GetU32(&answer[4]);
  return s;
}

int FileBrokerClient::Shutdown() { return StatusOnly(VDFS_SHUTDOWN, 0, nullptr, 0); }

}  // namespace vard
