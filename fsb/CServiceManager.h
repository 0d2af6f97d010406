#pragma once
// The broker's service as the control manager knows it: its fixed
// configuration and the install, uninstall, start and stop operations the
// command line asks for. Results are Win32 error numbers, 0 for success.
// Start and stop wait for the service through the clock, never longer
// than 29 polls a second apart.
#include <cstdint>
#include <string>

#include "common/platform/Clock.h"
#include "common/platform/ServiceManager.h"

namespace vard::fsb {

inline constexpr char16_t kServiceName[] = u"Vardfsb";
inline constexpr char16_t kServiceDisplayName[] = u"vardfsb";
inline constexpr char16_t kServiceDescription[] = u"Vardel File service";

class CServiceManager {
 public:
  CServiceManager(platform::IServiceManager& manager, platform::IClock& clock, std::u16string programPath);
  virtual ~CServiceManager() = default;

  const platform::ServiceConfig& Config() const { return config_; }

  uint32_t Install();
  uint32_t Uninstall();
  uint32_t Start();
  uint32_t Stop();
  // The state an interrogation answers; a service that is not active is
  // stopped.
  uint32_t QueryState(uint32_t* state);

 private:
  // Polls until the service reaches `state`; kWaitTimeout after 29 polls.
  uint32_t WaitForState(uint32_t state);

  platform::IServiceManager& manager_;
  platform::IClock& clock_;
  platform::ServiceConfig config_;
};

}  // namespace vard::fsb
