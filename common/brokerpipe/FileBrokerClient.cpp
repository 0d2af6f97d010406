#include "common/brokerpipe/FileBrokerClient.h"

#include <cstring>

#include "common/platform/Environment.h"
#include "common/platform/FileSystem.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Process.h"

namespace vard::fsb {

namespace {
// A broker that disconnected its end answers "not connected" on Win32, not
// only "no data" or "broken pipe"; all three mean the connection is gone.
bool LostPeer(uint32_t error) {
  return error == platform::error::kNoData || error == platform::error::kBrokenPipe ||
         error == platform::error::kPipeNotConnected;
}

std::span<const uint8_t> Bytes(const void* p, uint32_t n) { return {static_cast<const uint8_t*>(p), n}; }
}  // namespace

FileBrokerClient::FileBrokerClient(platform::IClock& clock, std::u16string pipeName)
    : clock_(clock), pipeName_(std::move(pipeName)), buffer_(kMessageMax) {}

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
  // A broker that runs but never serves its pipe must not hold the caller.
  constexpr uint32_t kLaunchWaitMs = 30000;
  if (connected_ || programPath_.empty()) return false;
  const std::u16string verb = platform::OsMajorVersion() >= 6 ? u"runas" : u"";
  const platform::PipeServedWatch watch(pipeName_);
  return platform::ShellStartAndWait(programPath_, std::u16string(u"-") + kConsoleModeGuid, verb,
                                     [&watch] { return watch.Served(); }, clock_, kLaunchWaitMs);
}

int FileBrokerClient::Connect(int attempts, uint32_t delayMs) {
  if (connected_) return status::kSuccess;
  for (int i = 0; i < attempts; ++i) {
    if (i > 0) clock_.Sleep(delayMs);
    pipe_ = platform::ConnectPipe(pipeName_);
    if (pipe_.IsOpen()) {
      connected_ = everConnected_ = true;
      return status::kSuccess;
    }
  }
  return status::kFailed;
}

void FileBrokerClient::Disconnect() {
  if (connected_) pipe_.Close();
  connected_ = false;
  due_ = 0;
}

int FileBrokerClient::Send(const uint8_t* message, uint32_t size) {
  uint32_t n = 0;
  if (pipe_.WriteMessage(message, size, &n) && n == size) return status::kSuccess;
  if (LostPeer(platform::LastError())) Disconnect();
  return connected_ ? status::kFailed : status::kNotConnected;
}

int FileBrokerClient::Receive(Answer* answer) {
  *answer = {};
  uint32_t n = 0;
  if (!pipe_.ReadMessage(buffer_.data(), kMessageMax, &n) || n == 0) {
    if (LostPeer(platform::LastError())) Disconnect();
    return connected_ ? status::kFailed : status::kNotConnected;
  }
  answer->received = true;
  BrokerResponse response;
  if (!DecodeResponse({buffer_.data(), n}, &response)) {
    answer->data = {buffer_.data(), n};  // not even a status
    return status::kBadAnswer;
  }
  answer->data = response.data;
  return static_cast<int>(response.status);
}

int FileBrokerClient::Transfer(uint32_t opcode, uint32_t param, std::span<const uint8_t> payload, Answer* answer) {
  *answer = {};
  if (!connected_) return status::kNotConnected;
  // An answer read now would be a pipelined write's.
  if (due_ > 0) return status::kFailed;
  if (payload.size() > kMessageMax - kHeaderSize) return status::kUnreadable;
  const uint32_t size = EncodeRequest(opcode, param, payload, buffer_);
  const int sent = Send(buffer_.data(), size);
  if (sent != status::kSuccess) return sent;
  return Receive(answer);
}

int FileBrokerClient::StatusOnly(uint32_t opcode, uint32_t param, std::span<const uint8_t> payload) {
  Answer answer;
  const int s = Transfer(opcode, param, payload, &answer);
  return answer.data.empty() ? s : status::kBadAnswer;
}

int FileBrokerClient::Open(const std::u16string& path, uint32_t disposition) {
  const int s = StatusOnly(VDFS_OPEN, param::kSetPath, PathPayload(path));
  if (s != status::kSuccess) return s;
  uint8_t d[4];
  PutU32(d, disposition);
  return StatusOnly(VDFS_OPEN, param::kOpen, d);
}

int FileBrokerClient::Seek(int64_t distance, uint32_t method, int64_t* newPosition) {
  uint8_t d[8];
  PutI64(d, distance);
  Answer answer;
  const int s = Transfer(VDFS_SEEK, method, d, &answer);
  if (!answer.received) return s;
  if (s != status::kSuccess) return answer.data.empty() ? s : status::kBadAnswer;
  if (answer.data.size() != 8) return status::kBadAnswer;
  if (newPosition) *newPosition = GetI64(answer.data.data());
  return s;
}

int FileBrokerClient::WriteStatus(int s, const Answer& answer, uint32_t* written) {
  if (!answer.received) return s;
  if (written && answer.data.size() == 4) {
    *written = GetU32(answer.data.data());
    return s;
  }
  // Without a count only the status; refusals (3, 4, 8) are status only too.
  return answer.data.empty() && (!written || s != status::kSuccess) ? s : status::kBadAnswer;
}

int FileBrokerClient::Write(const void* bytes, uint32_t count, uint32_t* written) {
  if (written) *written = 0;
  if (count > kWriteMax) return status::kTooLarge;
  if (count && !bytes) return status::kUnreadable;
  const uint32_t p = written ? param::kWriteCount : param::kWriteQuiet;
  Answer answer;
  const int s = Transfer(VDFS_WRITE, p, Bytes(bytes, count), &answer);
  return WriteStatus(s, answer, written);
}

int FileBrokerClient::SendWrite(std::span<uint8_t> framed) {
  if (framed.size() < kHeaderSize) return status::kUnreadable;
  const auto count = static_cast<uint32_t>(framed.size() - kHeaderSize);
  if (count > kWriteMax) return status::kTooLarge;
  if (!connected_) return status::kNotConnected;
  std::memcpy(framed.data(), "VDFS", 4);
  PutU32(&framed[4], VDFS_WRITE);
  PutU32(&framed[8], param::kWriteCount);
  PutU32(&framed[12], count);
  const int s = Send(framed.data(), static_cast<uint32_t>(framed.size()));
  if (s == status::kSuccess) ++due_;
  return s;
}

int FileBrokerClient::ReceiveWriteAnswer(uint32_t* written) {
  *written = 0;
  if (!connected_) return status::kNotConnected;
  if (due_ == 0) return status::kFailed;  // nothing was sent ahead
  Answer answer;
  const int s = Receive(&answer);
  if (!answer.received) {
    // The answers behind this one can no longer be matched to their writes.
    Disconnect();
    return status::kNotConnected;
  }
  --due_;
  return WriteStatus(s, answer, written);
}

int FileBrokerClient::Read(void* buffer, uint32_t count, uint32_t* got) {
  if (got) *got = 0;
  if (count && !buffer) return status::kUnreadable;
  uint8_t d[4];
  PutU32(d, count);
  Answer answer;
  const int s = Transfer(VDFS_READ, got ? param::kReadCount : 0, d, &answer);
  if (!answer.received) return s;
  if (s != status::kSuccess && s != status::kFailed) return answer.data.empty() ? s : status::kBadAnswer;
  std::span<const uint8_t> data = answer.data;
  if (got) {
    if (data.size() < 4 || GetU32(data.data()) != data.size() - 4) return status::kBadAnswer;
    data = data.subspan(4);
  }
  if (data.size() > count) return status::kBadAnswer;
  if (!data.empty()) std::memcpy(buffer, data.data(), data.size());
  if (got) *got = static_cast<uint32_t>(data.size());
  return s;
}

int FileBrokerClient::Close() { return StatusOnly(VDFS_CLOSE, 0, {}); }

int FileBrokerClient::CreateFolderChain(const std::u16string& path) {
  return StatusOnly(VDFS_MKDIR, 0, PathPayload(path));
}

int FileBrokerClient::QueryMode(uint8_t* mode) {
  Answer answer;
  const int s = Transfer(VDFS_QUERY, param::kQueryMode, {}, &answer);
  if (!answer.received || s != status::kSuccess) return s;
  if (answer.data.size() != 1) return status::kBadAnswer;
  if (mode) *mode = answer.data[0];
  return s;
}

int FileBrokerClient::QueryConnections(uint32_t* count) {
  Answer answer;
  const int s = Transfer(VDFS_QUERY, param::kQueryConnections, {}, &answer);
  if (!answer.received || s != status::kSuccess) return s;
  if (answer.data.size() != 4) return status::kBadAnswer;
  if (count) *count = GetU32(answer.data.data());
  return s;
}

int FileBrokerClient::Shutdown() { return StatusOnly(VDFS_SHUTDOWN, 0, {}); }

}  // namespace vard::fsb
