#include "agent/jobs/BrokerOutput.h"

#include <algorithm>

#include "agent/jobs/BrokerStarter.h"
#include "common/platform/FileSystem.h"

namespace vard {
namespace st = fsb::status;

constexpr uint32_t kCreateAlways = static_cast<uint32_t>(platform::Disposition::kCreateAlways);
constexpr uint32_t kOpenExisting = static_cast<uint32_t>(platform::Disposition::kOpenExisting);
constexpr uint32_t kFromBegin = static_cast<uint32_t>(platform::SeekFrom::kBegin);
constexpr uint32_t kFromEnd = static_cast<uint32_t>(platform::SeekFrom::kEnd);

BrokerOutput::BrokerOutput(fsb::FileBrokerClient& client, std::u16string programPath)
    : client_(client), programPath_(std::move(programPath)) {}

OutputReady BrokerOutput::Prepare() {
  failure_.clear();
  return StartAndConnectBroker(client_, programPath_);
}

bool BrokerOutput::MakeFolders(const std::u16string& folder) {
  return client_.CreateFolderChain(folder) == st::kSuccess;
}

ExistingFile BrokerOutput::Exists(const std::u16string& path) {
  failure_.clear();
  switch (client_.Open(path, kOpenExisting)) {
    case st::kSuccess:
      if (client_.Close() != st::kSuccess) {
        failure_ = u"Failed to Close File";
        return ExistingFile::kFailed;
      }
      return ExistingFile::kExists;
    case st::kNotFound:
      return ExistingFile::kMissing;
    case st::kSharing:
      return ExistingFile::kInUse;
    default:
      failure_ = u"Failed to Open File";
      return ExistingFile::kFailed;
  }
}

bool BrokerOutput::Open(const std::u16string& path, bool append) {
  Close();
  bool opened = append && client_.Open(path, kOpenExisting) == st::kSuccess;
  if (!opened) opened = client_.Open(path, kCreateAlways) == st::kSuccess;
  open_ = opened;
  path_ = opened ? path : std::u16string();
  return opened;
}

int64_t BrokerOutput::SeekToEnd() {
  int64_t position = -1;
  if (!open_ || client_.Seek(0, kFromEnd, &position) != st::kSuccess) {
    failure_ = u"Failed to Seek file";
    return -1;
  }
  return position;
}

bool BrokerOutput::SeekTo(int64_t offset) {
  if (!open_) return false;
  // The broker cannot cut a file; starting over is opening it anew. Bytes
  // after another offset are the same file's and are written again.
  if (offset == 0) return Open(std::u16string(path_), false);
  if (client_.Seek(offset, kFromBegin, nullptr) != st::kSuccess) {
    failure_ = u"Failed to Seek file";
    return false;
  }
  return true;
}

WriteResult BrokerOutput::Write(const uint8_t* bytes, uint32_t count) {
  while (count > 0) {
    const uint32_t piece = std::min(count, fsb::kWriteMax);
    uint32_t written = 0;
    const int s = client_.Write(bytes, piece, &written);
    if (s != st::kSuccess || written != piece) {
      // A broker that still answers refused the bytes; one that does not
      // is gone.
      uint8_t mode = 0;
      if (!client_.IsConnected() || client_.QueryMode(&mode) != st::kSuccess) {
        Release();
        return WriteResult::kLost;
      }
      return WriteResult::kFailed;
    }
    bytes += piece;
    count -= piece;
  }
  return WriteResult::kWritten;
}

bool BrokerOutput::Close() {
  if (!open_) return true;
  open_ = false;
  return client_.Close() == st::kSuccess;
}

void BrokerOutput::Release() {
  open_ = false;
  client_.Disconnect();
}

}  // namespace vard
