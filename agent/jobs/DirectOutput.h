#pragma once
// The download job's files written straight into the file system (systems
// before major version 6, and wherever no broker is wanted). Used on the
// worker thread.
#include <memory>
#include <optional>
#include <string>

#include "agent/jobs/DownloadOutput.h"
#include "common/platform/IFileSystem.h"

namespace vard {

class DirectOutput final : public IDownloadOutput {
 public:
  explicit DirectOutput(platform::IFileSystem& files) : files_(files) {}

  OutputReady Prepare() override { return OutputReady::kReady; }
  bool MakeFolders(const std::u16string& folder) override;
  ExistingFile Exists(const std::u16string& path) override;
  bool Open(const std::u16string& path, bool append) override;
  // An open file is marked again: its bytes come from where the answer did.
  void SetOrigin(const platform::OriginMark& mark) override;
  int64_t SeekToEnd() override;
  bool SeekTo(int64_t offset) override;
  WriteResult Write(const uint8_t* bytes, uint32_t count) override;
  WriteResult Flush() override { return WriteResult::kWritten; }
  bool Close() override;
  void Release() override {}
  std::u16string FailureText() const override { return {}; }

 private:
  platform::IFileSystem& files_;
  std::optional<platform::OriginMark> origin_;
  std::unique_ptr<platform::IFile> file_;
  std::u16string path_;
};

}  // namespace vard
