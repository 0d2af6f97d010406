#include "control/engine/ProtectedModeTarget.h"

#include "common/platform/Environment.h"

namespace vard {
namespace p = platform;

ProtectedModeTarget::ProtectedModeTarget(ProtectedModeServices services)
    : s_(std::move(services)), direct_(*s_.files) {}

ProtectedModeTarget::~ProtectedModeTarget() { EndRun(); }

void ProtectedModeTarget::BeginRun() {
  EndRun();
  if (!s_.osMajorVersion || s_.osMajorVersion() < 6 || !s_.createBroker) return;
  // Every chunk goes through the section: without it the broker is of no use.
  if (!section_.IsOpen()) section_ = p::SharedMemory::CreateOrOpen(s_.sectionName, p::kBrokerSectionSize, *s_.clock);
  if (!section_.IsOpen()) return;
  broker_ = s_.createBroker();
  if (!broker_) return;
  brokerTarget_.emplace(*broker_, section_, *s_.clock, *s_.files, s_.lockName);
  active_ = &*brokerTarget_;
}

void ProtectedModeTarget::EndRun() {
  active_->Close();
  active_ = &direct_;
  brokerTarget_.reset();
  broker_.reset();
}

std::unique_ptr<ProtectedModeTarget> MakeSystemOutput() {
  ProtectedModeServices s;
  s.clock = &p::SystemClock();
  s.files = &p::RealFileSystem();
  s.osMajorVersion = [] { return p::OsMajorVersion(); };
  s.createBroker = [] { return p::CreateElevationBroker(); };
  return std::make_unique<ProtectedModeTarget>(std::move(s));
}

}  // namespace vard
