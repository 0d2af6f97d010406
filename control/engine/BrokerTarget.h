#pragma once
// The engine's output through the elevation broker: paths and sizes go as
// call arguments, file data through the shared section, one chunk at a
// time at its start. The section is the session's, so the copies into it
// and the broker's writes from it happen under the session's lock: two runs
// never mix their chunks. Existence is asked of the file system directly
// (reading needs no broker). Used on the run's worker thread only.
#include <optional>
#include <string>

#include "common/platform/Clock.h"
#include "common/platform/ElevationBroker.h"
#include "common/platform/IFileSystem.h"
#include "common/platform/SessionLock.h"
#include "common/platform/SharedMemory.h"
#include "control/engine/DownloadTarget.h"

namespace vard {

inline constexpr uint32_t kBrokerChunk = 5120;
inline constexpr char16_t kBrokerLockName[] = u"VardKT_Vista_FileWrite_lock";
// How long a write waits for another run's chunk before it fails.
inline constexpr uint32_t kBrokerLockTimeoutMs = 30000;

class BrokerTarget final : public IDownloadTarget {
 public:
  // `section` is mapped whole (kBrokerSectionSize bytes) by the caller.
  BrokerTarget(platform::IElevationBroker& broker, platform::SharedMemory& section, platform::IClock& clock,
               platform::IFileSystem& files = platform::RealFileSystem(),
               const std::u16string& lockName = kBrokerLockName);

  void MakeFolders(const std::u16string& path) override { broker_.CreateDirectory(path); }
  void SetOrigin(const platform::OriginMark& mark) override { origin_ = mark; }
  bool Exists(const std::u16string& path) override;
  bool Open(const std::u16string& path, bool resume) override;
  uint32_t Write(const void* data, uint32_t size) override;
  int64_t Size() override;
  bool CutAt(int64_t size) override;
  void Close() override;

 private:
  platform::IElevationBroker& broker_;
  platform::SharedMemory& section_;
  platform::IFileSystem& files_;
  platform::SessionLock lock_;
  std::u16string path_;  // of the open file, for emptying it again
  std::optional<platform::OriginMark> origin_;

  // Marks the file at `path`, which is closed: through the broker where the
  // mark is a stream (this process may not write beside the file).
  void Mark(const std::u16string& path);
};

}  // namespace vard
