#pragma once
// The control's output for a run: on systems of major version 6 and later
// each run asks for its own elevation broker and writes only through it;
// where there is none (older system, refused, not installed, no section)
// the run writes directly. The broker is made at the start of the run on
// its worker thread and let go at its end.
#include <functional>
#include <memory>
#include <optional>

#include "common/platform/Clock.h"
#include "common/platform/ElevationBroker.h"
#include "common/platform/IFileSystem.h"
#include "common/platform/SharedMemory.h"
#include "control/engine/BrokerTarget.h"
#include "control/engine/DirectTarget.h"

namespace vard {

struct ProtectedModeServices {
  platform::IClock* clock = nullptr;
  platform::IFileSystem* files = nullptr;
  std::function<int()> osMajorVersion;
  std::function<std::unique_ptr<platform::IElevationBroker>()> createBroker;
  std::u16string sectionName = platform::kBrokerSectionName;
  std::u16string lockName = kBrokerLockName;
};

class ProtectedModeTarget final : public IDownloadTarget {
 public:
  explicit ProtectedModeTarget(ProtectedModeServices services);
  ~ProtectedModeTarget() override;

  void BeginRun() override;
  void EndRun() override;
  // Whether the current run writes through a broker.
  bool ThroughBroker() const { return active_ != &direct_; }

  void MakeFolders(const std::u16string& path) override { active_->MakeFolders(path); }
  void SetOrigin(const platform::OriginMark& mark) override {
    direct_.SetOrigin(mark);
    if (brokerTarget_) brokerTarget_->SetOrigin(mark);
  }
  bool Exists(const std::u16string& path) override { return active_->Exists(path); }
  bool Open(const std::u16string& path, bool resume) override { return active_->Open(path, resume); }
  uint32_t Write(const void* data, uint32_t size) override { return active_->Write(data, size); }
  int64_t Size() override { return active_->Size(); }
  bool CutAt(int64_t size) override { return active_->CutAt(size); }
  void Close() override { active_->Close(); }

 private:
  ProtectedModeServices s_;
  DirectTarget direct_;
  platform::SharedMemory section_;
  std::unique_ptr<platform::IElevationBroker> broker_;
  std::optional<BrokerTarget> brokerTarget_;
  IDownloadTarget* active_ = &direct_;
};

// The control's output with the system's services.
std::unique_ptr<ProtectedModeTarget> MakeSystemOutput();

}  // namespace vard
