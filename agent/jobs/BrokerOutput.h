#pragma once
// The download job's files written through the file service broker's pipe
// (major version 6 and later). Blocks go to the broker on a thread of the
// output's own, so the next network block is read while the broker writes
// the last; a failed write is the answer of the next call. Blocks larger
// than one broker write are split. A broker that went away is told apart
// from a refused write, so the job retries instead of reporting a full
// disk. Used by the worker thread; the writer thread only writes.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "agent/jobs/DownloadOutput.h"
#include "common/brokerpipe/FileBrokerClient.h"

namespace vard {

class BrokerOutput final : public IDownloadOutput {
 public:
  BrokerOutput(fsb::FileBrokerClient& client, std::u16string programPath);
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
  void Release() override;
  std::u16string FailureText() const override { return failure_; }

  // Bytes waiting for the writer at most.
  static constexpr size_t kQueueLimit = 512 * 1024;

 private:
  void Writer();
  // Waits until the writer is idle; the result of its writes stays.
  WriteResult Drain();
  WriteResult WriteNow(const uint8_t* bytes, uint32_t count);

  fsb::FileBrokerClient& client_;
  std::u16string programPath_;
  std::u16string path_;  // of the open file
  bool open_ = false;
  std::u16string failure_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<uint8_t>> queue_;
  size_t queued_ = 0;
  bool writing_ = false;
  bool quit_ = false;
  WriteResult result_ = WriteResult::kWritten;  // of the writes since the last flush
  std::thread writer_;
};

}  // namespace vard
