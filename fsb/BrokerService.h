#pragma once
// The service main routine and control handler of the broker. The routine
// reports its way to running, starts the pipe server and then watches the
// service's state until it is stopped (console mode: until the process
// ends through a shutdown request). The handler runs on the manager's
// thread; the routine on the service's own.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "common/platform/Clock.h"
#include "common/platform/ServiceManager.h"

namespace vard::fsb {

class BrokerService {
 public:
  // Starts the pipe server; false when another broker runs or it cannot serve.
  using StartServer = std::function<bool()>;

  BrokerService(platform::IServiceManager& manager, platform::IClock& clock, std::u16string name, bool consoleMode,
                StartServer startServer);

  // False when the server did not start.
  bool Main();
  void Handle(uint32_t control);
  // The last client asked the broker to end: as a service, stopped at once.
  void Shutdown() { Report(platform::service::kStopped); }

  // Console mode never leaves its loop; tests end it here.
  void EndLoopForTest() { endLoop_ = true; }

 private:
  void Report(uint32_t state);
  // The state an interrogation answers; not active counts as stopped; 0
  // when the interrogation failed otherwise.
  uint32_t Interrogate();

  platform::IServiceManager& manager_;
  platform::IClock& clock_;
  std::u16string name_;
  bool console_;
  StartServer startServer_;
  std::mutex mutex_;
  platform::ServiceStatus status_;
  std::atomic<bool> stopped_{false};
  std::atomic<bool> endLoop_{false};
  std::atomic<bool> stopAsked_{false};
};

}  // namespace vard::fsb
