#pragma once
// The download job's files written through the file service broker's pipe
// (major version 6 and later). Blocks larger than one broker write are
// split; a broker that went away is told apart from a refused write, so the
// job retries instead of reporting a full disk. Used on the worker thread.
#include <string>

#include "agent/jobs/DownloadOutput.h"
#include "common/brokerpipe/FileBrokerClient.h"

namespace vard {

class BrokerOutput final : public IDownloadOutput {
 public:
  BrokerOutput(fsb::FileBrokerClient& client, std::u16string programPath);

  OutputReady Prepare() override;
  bool MakeFolders(const std::u16string& folder) override;
  ExistingFile Exists(const std::u16string& path) override;
  bool Open(const std::u16string& path, bool append) override;
  int64_t SeekToEnd() override;
  bool SeekTo(int64_t offset) override;
  WriteResult Write(const uint8_t* bytes, uint32_t count) override;
  bool Close() override;
  void Release() override;
  std::u16string FailureText() const override { return failure_; }

 private:
  fsb::FileBrokerClient& client_;
  std::u16string programPath_;
  std::u16string path_;  // of the open file
  bool open_ = false;
  std::u16string failure_;
};

}  // namespace vard
