#include "agent/jobs/BrokerOutput.h"

#include <algorithm>

#include "agent/jobs/BrokerStarter.h"
#include "common/platform/BrokerOriginMark.h"
#include "common/platform/FileSystem.h"
#include "common/platform/IFileSystem.h"

namespace vard {
namespace st = fsb::status;

constexpr uint32_t kCreateAlways = static_cast<uint32_t>(platform::Disposition::kCreateAlways);
constexpr uint32_t kOpenExisting = static_cast<uint32_t>(platform::Disposition::kOpenExisting);
constexpr uint32_t kFromBegin = static_cast<uint32_t>(platform::SeekFrom::kBegin);
constexpr uint32_t kFromCurrent = static_cast<uint32_t>(platform::SeekFrom::kCurrent);
constexpr uint32_t kFromEnd = static_cast<uint32_t>(platform::SeekFrom::kEnd);

BrokerOutput::BrokerOutput(fsb::FileBrokerClient& client, std::u16string programPath, platform::IFileSystem& files)
    : client_(client), programPath_(std::move(programPath)), files_(files), writer_([this] { Writer(); }) {}

BrokerOutput::~BrokerOutput() {
  {
    std::unique_lock lock(mutex_);
    QueueFilling(lock, false);
    quit_ = true;
  }
  work_.notify_all();
  writer_.join();
}

BrokerOutput::Piece BrokerOutput::TakeSpare() {
  Piece piece;
  if (!spares_.empty()) {
    piece = std::move(spares_.back());
    spares_.pop_back();
  }
  piece.reserve(fsb::kHeaderSize + fsb::kWriteMax);
  piece.resize(fsb::kHeaderSize);
  return piece;
}

void BrokerOutput::Writer() {
  std::unique_lock lock(mutex_);
  for (;;) {
    // Answers are read when the window is full, when someone waits for
    // them, or after a failure; otherwise they wait in the pipe.
    const auto answersWanted = [this] {
      return !inflight_.empty() && (inflight_.size() >= kWindow || draining_ > 0 || quit_ || refused_ || broken_ ||
                                    result_ != WriteResult::kWritten);
    };
    work_.wait(lock, [&] { return quit_ || !queue_.empty() || answersWanted(); });
    if (queue_.empty() && inflight_.empty()) return;
    working_ = true;
    const bool mayWrite = result_ == WriteResult::kWritten && !refused_ && !broken_;
    if (!inflight_.empty() && (queue_.empty() || !mayWrite || inflight_.size() >= kWindow))
      ReceiveNext(lock);
    else
      SendNext(lock);
    working_ = false;
    room_.notify_all();
  }
}

void BrokerOutput::SendNext(std::unique_lock<std::mutex>& lock) {
  inflight_.push_back(std::move(queue_.front()));
  queue_.pop_front();
  if (result_ == WriteResult::kWritten) {
    // Only this thread touches the window, so the piece stays put unlocked.
    Piece& piece = inflight_.back();
    lock.unlock();
    const int s = client_.SendWrite(piece);
    lock.lock();
    if (s == st::kSuccess) return;
    // No more is sent; the answers still due tell what became of the
    // writes before this one.
    broken_ = true;
  }
  // After a failure the rest is dropped: the job starts over from the
  // size on disk.
  queued_ -= inflight_.back().size() - fsb::kHeaderSize;
  spares_.push_back(std::move(inflight_.back()));
  inflight_.pop_back();
  if (broken_ && inflight_.empty()) Conclude(Lose(false));
}

void BrokerOutput::ReceiveNext(std::unique_lock<std::mutex>& lock) {
  Piece piece = std::move(inflight_.front());
  inflight_.pop_front();
  lock.unlock();
  const auto count = static_cast<uint32_t>(piece.size() - fsb::kHeaderSize);
  const uint8_t* bytes = piece.data() + fsb::kHeaderSize;
  uint32_t written = 0;
  const int s = client_.ReceiveWriteAnswer(&written);
  written = std::min(written, count);
  WriteResult settled = WriteResult::kWritten;
  if (!client_.IsConnected()) {
    settled = Lose(true);
  } else {
    if (!refused_) {
      std::lock_guard confirmedLock(mutex_);
      confirmed_ += written;
    }
    if (refused_) {
      stray_ += written;
      unwritten_.insert(unwritten_.end(), bytes, bytes + count);
    } else if (s != st::kSuccess || written != count) {
      refused_ = true;
      unwritten_.assign(bytes + written, bytes + count);
    }
    if (client_.AnswersDue() == 0 && (broken_ || refused_)) settled = broken_ ? Lose(false) : Settle();
  }
  lock.lock();
  queued_ -= count;
  spares_.push_back(std::move(piece));
  Conclude(settled);
}

void BrokerOutput::Conclude(WriteResult settled) {
  if (settled == WriteResult::kWritten) return;
  for (Piece& p : inflight_) queued_ -= p.size() - fsb::kHeaderSize;
  inflight_.clear();
  result_ = settled;
}

WriteResult BrokerOutput::Lose(bool fateUnknown) {
  client_.Disconnect();
  // The broker wrote in order, so the file is right up to its size unless
  // a refused write came before writes that landed or may have landed: a
  // killed broker does not answer what it wrote, and then its size on disk
  // is not proof. The confirmed bytes are.
  if (fateUnknown || (refused_ && stray_ > 0)) {
    std::lock_guard lock(mutex_);
    untrusted_ = path_;
    trustedEnd_ = position_ >= 0 ? position_ + confirmed_ : 0;
  }
  refused_ = broken_ = false;
  stray_ = 0;
  unwritten_.clear();
  return WriteResult::kLost;
}

WriteResult BrokerOutput::Settle() {
  if (stray_ > 0) {
    // The writes after the refused one went on where it stopped: the
    // bytes that belong there go over them.
    bool right = client_.Seek(-static_cast<int64_t>(stray_), kFromCurrent, nullptr) == st::kSuccess;
    for (uint64_t done = 0; right && done < stray_;) {
      const auto piece = static_cast<uint32_t>(std::min<uint64_t>(stray_ - done, fsb::kWriteMax));
      uint32_t written = 0;
      right = client_.Write(unwritten_.data() + static_cast<size_t>(done), piece, &written) == st::kSuccess &&
              written == piece;
      done += written;
    }
    // Never leave wrong bytes for a resume from the size on disk.
    if (!right) {
      client_.Close();
      if (client_.Open(path_, kCreateAlways) != st::kSuccess) {
        std::lock_guard lock(mutex_);
        untrusted_ = path_;
        trustedEnd_ = 0;
      }
    }
  }
  refused_ = false;
  stray_ = 0;
  unwritten_.clear();
  // A broker that still answers refused the bytes; one that does not is
  // gone.
  uint8_t mode = 0;
  if (!client_.IsConnected() || client_.QueryMode(&mode) != st::kSuccess) {
    client_.Disconnect();
    return WriteResult::kLost;
  }
  return WriteResult::kFailed;
}

WriteResult BrokerOutput::Write(const uint8_t* bytes, uint32_t count) {
  constexpr size_t kFull = fsb::kHeaderSize + fsb::kWriteMax;
  while (count > 0) {
    if (filling_.empty()) {
      std::lock_guard lock(mutex_);
      filling_ = TakeSpare();
    }
    // Joined into whole writes, so the broker gets as few as can be.
    const auto n = static_cast<uint32_t>(std::min<size_t>(kFull - filling_.size(), count));
    filling_.insert(filling_.end(), bytes, bytes + n);
    bytes += n;
    count -= n;
    if (filling_.size() == kFull) {
      std::unique_lock lock(mutex_);
      if (const WriteResult r = QueueFilling(lock, true); r != WriteResult::kWritten) return r;
    }
  }
  return WriteResult::kWritten;
}

WriteResult BrokerOutput::QueueFilling(std::unique_lock<std::mutex>& lock, bool whole) {
  if (filling_.size() <= fsb::kHeaderSize) return result_;
  if (whole) room_.wait(lock, [this] { return queued_ < kQueueLimit || result_ != WriteResult::kWritten; });
  if (result_ != WriteResult::kWritten) {
    // After a failure the job starts over from the size on disk.
    filling_.resize(fsb::kHeaderSize);
    return result_;
  }
  queued_ += filling_.size() - fsb::kHeaderSize;
  queue_.push_back(std::move(filling_));
  filling_ = TakeSpare();
  work_.notify_one();
  return WriteResult::kWritten;
}

void BrokerOutput::SetPosition(int64_t position) {
  std::lock_guard lock(mutex_);
  position_ = position;
  confirmed_ = 0;
}

WriteResult BrokerOutput::Drain() {
  std::unique_lock lock(mutex_);
  QueueFilling(lock, false);
  ++draining_;
  work_.notify_one();
  room_.wait(lock, [this] { return queue_.empty() && inflight_.empty() && !working_; });
  --draining_;
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
  limitEnd_ = path == untrusted_;
  if (limitEnd_) {
    untrusted_.clear();
    append = append && trustedEnd_ > 0;
  }
  bool opened = append && client_.Open(path, kOpenExisting) == st::kSuccess;
  if (!opened) opened = client_.Open(path, kCreateAlways) == st::kSuccess;
  open_ = opened;
  path_ = opened ? path : std::u16string();
  limitEnd_ = limitEnd_ && opened && append;
  SetPosition(opened && !append ? 0 : -1);
  return opened;
}

int64_t BrokerOutput::SeekToEnd() {
  Drain();
  int64_t position = -1;
  if (!open_ || client_.Seek(0, kFromEnd, &position) != st::kSuccess) {
    failure_ = u"Failed to Seek file";
    return -1;
  }
  if (limitEnd_ && position > trustedEnd_) {
    if (client_.Seek(trustedEnd_, kFromBegin, &position) != st::kSuccess) {
      failure_ = u"Failed to Seek file";
      return -1;
    }
  }
  limitEnd_ = false;
  SetPosition(position);
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
  SetPosition(offset);
  return true;
}

bool BrokerOutput::Close() {
  Drain();
  if (!open_) return true;
  open_ = false;
  const bool closed = client_.Close() == st::kSuccess;
  if (closed && origin_ && !path_.empty()) Mark(path_);
  return closed;
}

void BrokerOutput::Mark(const std::u16string& path) {
  platform::MarkBrokerFile(files_, path, *origin_, [this](const std::u16string& stream, const std::string& text) {
    if (client_.Open(stream, kCreateAlways) != st::kSuccess) return false;
    uint32_t written = 0;
    const bool wrote = client_.Write(text.data(), static_cast<uint32_t>(text.size()), &written) == st::kSuccess &&
                       written == text.size();
    return client_.Close() == st::kSuccess && wrote;
  });
}

void BrokerOutput::Release() {
  Drain();
  open_ = false;
  client_.Disconnect();
}

}  // namespace vard
