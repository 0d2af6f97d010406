#include "fsb/BrokerService.h"

namespace vard::fsb {
namespace p = platform;
namespace svc = platform::service;

BrokerService::BrokerService(p::IServiceManager& manager, p::IClock& clock, std::u16string name, bool consoleMode,
                             StartServer startServer)
    : manager_(manager), clock_(clock), name_(std::move(name)), console_(consoleMode),
      startServer_(std::move(startServer)) {
  status_.state = svc::kStartPending;
}

void BrokerService::Report(uint32_t state) {
  p::ServiceStatus status;
  {
    std::lock_guard lock(mutex_);
    status_.state = state;
    status = status_;
  }
  if (state == svc::kStopped) stopped_ = true;
  manager_.ReportStatus(status);  // fails harmlessly without a status handle (console mode)
}

uint32_t BrokerService::Interrogate() {
  uint32_t state = 0;
  const uint32_t e = manager_.Control(name_, svc::kControlInterrogate, &state);
  if (e == p::error::kServiceNotActive) return svc::kStopped;
  return e == 0 ? state : 0;
}

bool BrokerService::Main() {
  if (!console_ && !manager_.RegisterHandler(name_, [this](uint32_t control) { Handle(control); })) return false;
  Report(svc::kStartPending);
  for (uint32_t accept : {svc::kAcceptStop, svc::kAcceptPauseContinue}) {
    {
      std::lock_guard lock(mutex_);
      status_.acceptedControls |= accept;
    }
    // The manager's view of the state; still starting while it has none.
    // A console broker is no service: asking could reach an installed one.
    const uint32_t state = console_ ? 0 : Interrogate();
    Report(state != 0 ? state : svc::kStartPending);
  }
  if (!startServer_()) {
    Report(svc::kStopped);
    return false;
  }
  Report(svc::kRunning);
  for (;;) {
    if (stopAsked_) {
      // Reported here, after the handler has answered the manager: a
      // process that ends while the manager waits for that answer breaks
      // the manager's control call.
      Report(svc::kStopped);
      break;
    }
    uint32_t state = 0;
    // A console broker ends only by a shutdown request.
    if (!console_ && !manager_.HasConsoleWindow()) {
      state = Interrogate();
      if (state == svc::kStopped || stopped_) break;
    }
    if (endLoop_) break;
    clock_.Sleep(state == svc::kPaused ? 1000 : 500);
  }
  return true;
}

void BrokerService::Handle(uint32_t control) {
  switch (control) {
    case svc::kControlStop:
      Report(svc::kStopPending);
      stopAsked_ = true;
      break;
    case svc::kControlPause:
      // The pipe server keeps serving while paused.
      Report(svc::kPausePending);
      Report(svc::kPaused);
      break;
    case svc::kControlContinue:
      Report(svc::kContinuePending);
      Report(svc::kRunning);
      break;
    default:
      break;
  }
}

}  // namespace vard::fsb
