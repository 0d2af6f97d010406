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
    : client_(client), programPath_(std::move(programPath)), writer_([this] { Writer(); }) {}

BrokerOutput::~BrokerOutput() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  writer_.join();
}

void BrokerOutput::Writer() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return quit_ || !queue_.empty(); });
    if (queue_.empty()) return;
    std::vector<uint8_t> block = std::move(queue_.front());
    queue_.pop_front();
    writing_ = true;
    const WriteResult before = result_;
    lock.unlock();
    // After a failure the rest is dropped: the job starts over from the
    // size on disk.
    const WriteResult r =
        before == WriteResult::kWritten ? WriteNow(block.data(), static_cast<uint32_t>(block.size())) : before;
    lock.lock();
    result_ = r;
    queued_ -= block.size();
    writing_ = false;
    changed_.notify_all();
  }
}

WriteResult BrokerOutput::Write(const uint8_t* bytes, uint32_t count) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queued_ < kQueueLimit || result_ != WriteResult::kWritten; });
  if (result_ != WriteResult::kWritten) return result_;
  queue_.emplace_back(bytes, bytes + count);
  queued_ += count;
  changed_.notify_all();
  return WriteResult::kWritten;
}

WriteResult BrokerOutput::Drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && !writing_; });
  return result_;
}

WriteResult BrokerOutput::Flush() {
  const WriteResult r = Drain();
  std::lock_guard lock(mutex_);
  result_ = WriteResult::kWritten;
  return r;
}

OutputReady BrokerOutput::Prepare() {
  Drain();
  failure_.clear();
  return StartAndConnectBroker(client_, programPath_);
}

bool BrokerOutput::MakeFolders(const std::u16string& folder) {
  Drain();
  return client_.CreateFolderChain(folder) == st::kSuccess;
}

ExistingFile BrokerOutput::Exists(const std::u16string& path) {
  Drain();
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
  Flush();  // what failed before belongs to the file before
  Close();
  bool opened = append && client_.Open(path, kOpenExisting) == st::kSuccess;
  if (!opened) opened = client_.Open(path, kCreateAlways) == st::kSuccess;
  open_ = opened;
  path_ = opened ? path : std::u16string();
  return opened;
}

int64_t BrokerOutput::SeekToEnd() {
  Drain();
  int64_t position = -1;
  if (!open_ || client_.Seek(0, kFromEnd, &position) != st::kSuccess) {
    failure_ = u"Failed to Seek file";
    return -1;
  }
  return position;
}

bool BrokerOutput::SeekTo(int64_t offset) {
  Drain();
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

WriteResult BrokerOutput::WriteNow(const uint8_t* bytes, uint32_t count) {
  while (count > 0) {
    const uint32_t piece = std::min(count, fsb::kWriteMax);
    uint32_t written = 0;
    const int s = client_.Write(bytes, piece, &written);
    if (s != st::kSuccess || written != piece) {
      // A broker that still answers refused the bytes; one that does not
      // is gone.
      uint8_t mode = 0;
      if (!client_.IsConnected() || client_.QueryMode(&mode) != st::kSuccess) {
        client_.Disconnect();
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
  Drain();
  if (!open_) return true;
  open_ = false;
  return client_.Close() == st::kSuccess;
}

void BrokerOutput::Release() {
  Drain();
  open_ = false;
  client_.Disconnect();
}

}  // namespace vard
