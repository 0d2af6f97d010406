#pragma once
// The download job's files written through the file service broker's pipe
// (major version 6 and later). Blocks go to the broker on a thread of the
// output's own, so the next network block is read while the broker writes
// the last; a failed write is the answer of a later call. The writer keeps
// up to kWindow writes in flight and reads their answers behind them, so a
// round trip is not paid per write. Blocks are cut and joined into whole
// broker writes. A broker that went away is told apart from a refused
// write, so the job retries instead of reporting a full disk. Used by the
// worker thread; the writer thread only writes.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "agent/jobs/DownloadOutput.h"
#include "common/brokerpipe/FileBrokerClient.h"
#include "common/platform/IFileSystem.h"

namespace vard {

class BrokerOutput final : public IDownloadOutput {
 public:
  // `files` writes the origin marks the broker does not (OriginMarkStream).
  BrokerOutput(fsb::FileBrokerClient& client, std::u16string programPath,
               platform::IFileSystem& files = platform::RealFileSystem());
  ~BrokerOutput() override;

  OutputReady Prepare() override;
  bool MakeFolders(const std::u16string& folder) override;
  ExistingFile Exists(const std::u16string& path) override;
  bool Open(const std::u16string& path, bool append) override;
  int64_t SeekToEnd() override;
  bool SeekTo(int64_t offset) override;
  WriteResult Write(const uint8_t* bytes, uint32_t count) override;
  WriteResult Flush() override;
  bool Close() override;
  void SetOrigin(const platform::OriginMark& mark) override { origin_ = mark; }
  void Release() override;
  std::u16string FailureText() const override { return failure_; }

  // Bytes waiting for the writer or for their answers at most.
  static constexpr size_t kQueueLimit = 512 * 1024;
  // Writes sent ahead of their answers. The broker's answers to them must
  // fit the pipe while nobody reads it (a POSIX socket queues 10 messages
  // by default).
  static constexpr size_t kWindow = 8;

 private:
  // A broker write: header room, then the bytes.
  using Piece = std::vector<uint8_t>;

  void Writer();
  // One step of the writer, the lock held on entry and on return.
  void SendNext(std::unique_lock<std::mutex>& lock);
  void ReceiveNext(std::unique_lock<std::mutex>& lock);
  // After a refused write, once every answer in flight is read: puts back
  // the bytes the later writes put at the wrong place, and tells a refusal
  // from a broker that is gone.
  WriteResult Settle();
  // The connection is gone or cannot be trusted; `fateUnknown` when
  // answers were lost.
  WriteResult Lose(bool fateUnknown);
  // A result other than kWritten ends the writes in flight (lock held).
  void Conclude(WriteResult settled);
  // Waits until the writer is idle; the result of its writes stays.
  WriteResult Drain();
  Piece TakeSpare();
  // Queues the piece being filled, or drops it after a failure (lock
  // held); `whole` waits for room first.
  WriteResult QueueFilling(std::unique_lock<std::mutex>& lock, bool whole);
  // The open file's position is known (or not, -1) from here on.
  void SetPosition(int64_t position);

  // Marks the closed file at `path` (BrokerOriginMark.h).
  void Mark(const std::u16string& path);

  fsb::FileBrokerClient& client_;
  std::u16string programPath_;
  platform::IFileSystem& files_;
  std::u16string path_;  // of the open file
  std::optional<platform::OriginMark> origin_;
  bool open_ = false;
  std::u16string failure_;

  // The piece the caller's blocks are joined into, outside the lock so the
  // writer is never kept waiting by a copy (caller's thread only).
  Piece filling_;

  std::mutex mutex_;
  std::condition_variable work_;  // for the writer
  std::condition_variable room_;  // for the caller: room in the queue, or the writer idle
  std::deque<Piece> queue_;     // not sent yet
  std::deque<Piece> inflight_;  // sent, answers due, oldest first
  std::vector<Piece> spares_;
  size_t queued_ = 0;  // bytes in both
  bool working_ = false;
  int draining_ = 0;  // callers waiting for the writer to be idle
  bool quit_ = false;
  WriteResult result_ = WriteResult::kWritten;  // of the writes since the last flush

  // A refused write in flight (writer thread only): the bytes from where
  // the file stopped being right, and how many bytes later writes put
  // after that point.
  bool refused_ = false;
  bool broken_ = false;  // a send failed: answers due are read, nothing sent
  std::vector<uint8_t> unwritten_;
  uint64_t stray_ = 0;
  // Where the writes since the last open or seek began (-1: unknown), and
  // how many of their bytes the broker confirmed in place.
  int64_t position_ = -1;
  int64_t confirmed_ = 0;
  // A file whose last writes' fate is unknown: when it is opened next its
  // bytes are trusted up to `trustedEnd_` only (0: it starts over), and the
  // job's resume rewrites what lies after.
  std::u16string untrusted_;
  int64_t trustedEnd_ = 0;
  bool limitEnd_ = false;  // the open file is such a one
  std::thread writer_;
};

}  // namespace vard
