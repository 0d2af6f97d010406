#pragma once
// The elevation broker object: one open file, and the shared section mapped
// when the object is made. A thin layer over the file seam that decides
// nothing; the caller's own checks guard where it writes. Used by one
// thread at a time (an apartment object).
#include <memory>

#include "common/platform/ElevationBroker.h"
#include "common/platform/IFileSystem.h"
#include "common/platform/SharedMemory.h"

namespace vard::broker {

class CKTCOMBroker3 final : public platform::IElevationBroker {
 public:
  explicit CKTCOMBroker3(platform::IFileSystem& files = platform::RealFileSystem(),
                         const std::u16string& sectionName = platform::kBrokerSectionName);
  ~CKTCOMBroker3() override;  // closes a file still open

  void CreateDirectory(const std::u16string& path) override;
  int16_t FolderTest(const std::u16string& folder) override;
  int16_t FileOpen(const std::u16string& path, uint32_t disposition) override;
  void FileClose() override;
  uint32_t FileWrite(const void* buffer, uint32_t size) override;
  uint32_t FileWrite2(uint32_t size) override;
  uint64_t GetFileSize() override;
  void Seek(int64_t distance, uint32_t moveMethod, int64_t* newPosition) override;

  bool SectionMapped() const { return section_.IsOpen(); }

 private:
  platform::IFileSystem& files_;
  platform::SharedMemory section_;
  std::unique_ptr<platform::IFile> file_;
};

}  // namespace vard::broker
