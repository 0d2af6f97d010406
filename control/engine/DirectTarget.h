#pragma once
// The engine's output straight into the file system, through the file seam.
#include <memory>
#include <optional>

#include "common/platform/IFileSystem.h"
#include "control/engine/DownloadTarget.h"

namespace vard {

class DirectTarget final : public IDownloadTarget {
 public:
  explicit DirectTarget(platform::IFileSystem& files = platform::RealFileSystem()) : files_(files) {}

  void MakeFolders(const std::u16string& path) override;
  void SetOrigin(const platform::OriginMark& mark) override { origin_ = mark; }
  bool Exists(const std::u16string& path) override;
  bool Open(const std::u16string& path, bool resume) override;
  uint32_t Write(const void* data, uint32_t size) override;
  int64_t Size() override;
  bool CutAt(int64_t size) override;
  void Close() override { file_.reset(); }

 private:
  platform::IFileSystem& files_;
  std::unique_ptr<platform::IFile> file_;
  std::optional<platform::OriginMark> origin_;
};

}  // namespace vard
