#pragma once
// The service control manager as the file service broker uses it: install,
// remove, start and control a service, and, inside the service's own
// process, the dispatcher, the control handler and the status reports.
// Win32: OpenSCManagerW & co. POSIX: a per-user stand-in. A service's
// configuration is the key Software\vardel\Services\<name> of the registry
// stand-in; while it runs, its process serves the control socket
// R/service/<name>/control and keeps its state in R/service/<name>/state.
// Starting spawns the program detached, with VARDEL_SERVICE_NAME=<name>.
// Results are Win32 error numbers, 0 for success.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/platform/FileSystem.h"  // error numbers

namespace vard::platform {

namespace service {
// States.
constexpr uint32_t kStopped = 1, kStartPending = 2, kStopPending = 3, kRunning = 4, kContinuePending = 5,
                   kPausePending = 6, kPaused = 7;
// Accepted controls.
constexpr uint32_t kAcceptStop = 1, kAcceptPauseContinue = 2;
// Controls.
constexpr uint32_t kControlStop = 1, kControlPause = 2, kControlContinue = 3, kControlInterrogate = 4;
// Configuration values.
constexpr uint32_t kWin32OwnProcess = 0x10, kAutoStart = 2, kErrorNormal = 1;
// Failure action types.
constexpr uint32_t kActionNone = 0, kActionRestart = 1;
}  // namespace service

namespace error {
constexpr uint32_t kWaitTimeout = 258, kServiceAlreadyRunning = 1056,
                   kServiceDoesNotExist = 1060, kServiceCannotAcceptControl = 1061, kServiceNotActive = 1062,
                   kFailedServiceControllerConnect = 1063, kServiceExists = 1073;
}

struct ServiceConfig {
  std::u16string name;
  std::u16string displayName;
  std::u16string programPath;
  uint32_t type = service::kWin32OwnProcess;
  uint32_t startType = service::kAutoStart;
  uint32_t errorControl = service::kErrorNormal;
};

struct FailureAction {
  uint32_t type = service::kActionNone;
  uint32_t delayMs = 0;
};

struct ServiceStatus {
  uint32_t type = service::kWin32OwnProcess;
  uint32_t state = service::kStopped;
  uint32_t acceptedControls = 0;
};

class IServiceManager {
 public:
  virtual ~IServiceManager() = default;

  // The manager's side. Each call opens the manager (kInvalidHandle when it
  // cannot) and the service it names.
  virtual uint32_t Create(const ServiceConfig& config) = 0;
  virtual uint32_t SetDescription(const std::u16string& name, const std::u16string& description) = 0;
  virtual uint32_t SetFailureActions(const std::u16string& name, uint32_t resetPeriodSeconds,
                                     const std::vector<FailureAction>& actions) = 0;
  virtual uint32_t Delete(const std::u16string& name) = 0;
  // Starts the service without arguments.
  virtual uint32_t Start(const std::u16string& name) = 0;
  // Sends a control; on success *state is the state the service answered.
  virtual uint32_t Control(const std::u16string& name, uint32_t control, uint32_t* state) = 0;

  // The service process's side. Runs `serviceMain` as the service `name`
  // and returns once it ended; false (LastError() set) when the process
  // was not started by the manager.
  virtual bool RunDispatcher(const std::u16string& name, std::function<void()> serviceMain) = 0;
  // Called by the service main routine; the handler gets each control.
  virtual bool RegisterHandler(const std::u16string& name, std::function<void(uint32_t control)> handler) = 0;
  virtual bool ReportStatus(const ServiceStatus& status) = 0;
  // Whether this process has a console window (a service has none).
  virtual bool HasConsoleWindow() = 0;
};

IServiceManager& SystemServiceManager();

}  // namespace vard::platform
