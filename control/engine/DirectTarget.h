#pragma once
// The engine's output straight into the file system, through the file seam.
#include <memory>
#include <optional>
#include <string>

#include "common/platform/IFileSystem.h"
#include "control/engine/DownloadTarget.h"

namespace vard {

class DirectTarget final : public IDownloadTarget {
 public:
  explicit DirectTarget(platform::IFileSystem& files = platform::RealFileSystem()) : files_(files) {}

  void MakeFolders(const std::u16string& path) override;
  // An open file is marked again: its bytes come from where the answer did.
  void SetOrigin(const platform::OriginMark& mark) override;
  bool Exists(const std::u16string& path) override;
  bool Open(const std::u16string& path, bool resume) override;
  uint32_t Write(const void* data, uint32_t size) override;
  int64_t Size() override;
  bool CutAt(int64_t size) override;
  void Close() override { file_.reset(); }

 private:
  platform::IFileSystem& files_;
  std::unique_ptr<platform::IFile> file_;
  std::u16string path_;
  std::optional<platform::OriginMark> origin_;
};

}  // namespace vard
