#include "fsb/CServiceManager.h"

namespace vard::fsb {
namespace p = platform;
namespace svc = platform::service;

constexpr int kPolls = 29;
constexpr uint32_t kPollMs = 1000;

CServiceManager::CServiceManager(p::IServiceManager& manager, p::IClock& clock, std::u16string programPath)
    : manager_(manager), clock_(clock) {
  config_.name = kServiceName;
  config_.displayName = kServiceDisplayName;
  config_.programPath = std::move(programPath);
}

uint32_t CServiceManager::Install() {
  if (const uint32_t e = manager_.Create(config_)) return e;
  manager_.SetDescription(config_.name, kServiceDescription);
  // Restart a broker that died, twice a minute apart; then leave it. Not
  // being able to ask for it does not undo the install.
  manager_.SetFailureActions(config_.name, 24 * 60 * 60,
                             {{svc::kActionRestart, 60000}, {svc::kActionRestart, 60000}, {svc::kActionNone, 0}});
  return 0;
}

uint32_t CServiceManager::QueryState(uint32_t* state) {
  const uint32_t e = manager_.Control(config_.name, svc::kControlInterrogate, state);
  if (e == p::error::kServiceNotActive) {
    *state = svc::kStopped;
    return 0;
  }
  return e;
}

uint32_t CServiceManager::WaitForState(uint32_t wanted) {
  for (int i = 0; i < kPolls; ++i) {
    clock_.Sleep(kPollMs);
    uint32_t state = 0;
    if (QueryState(&state) == 0 && state == wanted) return 0;
  }
  return p::error::kWaitTimeout;
}

uint32_t CServiceManager::Start() {
  uint32_t state = 0;
  if (QueryState(&state) == 0 && state == svc::kRunning) return 0;
  if (const uint32_t e = manager_.Start(config_.name)) return e;
  return WaitForState(svc::kRunning);
}

uint32_t CServiceManager::Stop() {
  uint32_t state = 0;
  if (QueryState(&state) == 0 && state == svc::kStopped) return 0;
  if (const uint32_t e = manager_.Control(config_.name, svc::kControlStop, &state)) return e;
  return WaitForState(svc::kStopped);
}

uint32_t CServiceManager::Uninstall() {
  uint32_t state = 0;
  const uint32_t queried = QueryState(&state);
  if (queried != p::error::kServiceDoesNotExist && (queried != 0 || state != svc::kStopped)) {
    if (const uint32_t e = Stop()) return e;
  }
  return manager_.Delete(config_.name);
}

}  // namespace vard::fsb
