// vardfsb: the file service broker. Installs, removes, starts and stops
// itself as a service, and runs the pipe server as that service or, when
// the transfer agent starts it with the console-mode GUID, as a console
// process.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/platform/Clock.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/Pipe.h"
#include "common/platform/ServiceManager.h"
#include "common/text/Utf.h"
#include "fsb/BrokerServer.h"
#include "fsb/BrokerService.h"
#include "fsb/CServiceManager.h"
#include "fsb/ServiceCommandLine.h"
#include "fsb/ServiceTexts.h"

namespace {

using vard::fsb::BrokerServer;

// Why the broker cannot serve, for whoever started it by hand.
void ReportStartFailure(BrokerServer::StartResult result, const std::u16string& pipeName) {
  using vard::Utf16ToUtf8;
  namespace p = vard::platform;
  const uint32_t error = p::LastError();
  switch (result) {
    case BrokerServer::StartResult::kNoMutex:
      std::fprintf(stderr, "vardfsb: cannot make the single-instance mutex (error %u)\n", error);
      break;
    case BrokerServer::StartResult::kNoPipe:
      std::fprintf(stderr, "vardfsb: cannot serve the pipe at %s (error %u%s)\n",
                   Utf16ToUtf8(p::PipeLocation(pipeName)).c_str(), error,
                   error == p::error::kFilenameExcedRange ? ": the path is too long" : "");
      break;
    case BrokerServer::StartResult::kNoThread:
      std::fprintf(stderr, "vardfsb: cannot start the listener thread\n");
      break;
    default:
      break;
  }
}

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vard;
  using fsb::ServiceCommand;
  using fsb::ServiceMode;
  const ServiceCommand command = fsb::ParseServiceCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (command.action == ServiceCommand::Action::kHelp) {
    Print(fsb::HelpText());
    return -1;
  }
  if (command.action == ServiceCommand::Action::kInvalid) {
    Print(fsb::InvalidValueLine(command.invalidArgument));
    return -1;
  }

  platform::IServiceManager& services = platform::SystemServiceManager();
  platform::IClock& clock = platform::SystemClock();
  fsb::CServiceManager manager(services, clock, platform::ModulePath());
  const std::u16string& name = manager.Config().name;
  switch (command.mode) {
    case ServiceMode::kUninstall: Print(fsb::ResultLine("Uninstall", name, manager.Uninstall())); return 0;
    case ServiceMode::kInstall: Print(fsb::ResultLine("Install", name, manager.Install())); return 0;
    case ServiceMode::kStop: Print(fsb::ResultLine("Stop", name, manager.Stop())); return 0;
    case ServiceMode::kStart: Print(fsb::ResultLine("Start", name, manager.Start())); return 0;
    default: break;
  }

  // Runs the pipe server: as the service, or on its own in console mode.
  const auto serve = [&](bool console) {
    fsb::BrokerService* running = nullptr;
    BrokerServer::Options options{!console, {}, fsb::EndConsoleBroker};
    // As a service, the last client's shutdown stops the service.
    if (!console) options.onShutdown = [&running](BrokerServer&) { running->Shutdown(); };
    BrokerServer server(options, clock);
    fsb::BrokerService service(services, clock, name, console, [&] {
      const BrokerServer::StartResult started = server.Start();
      // A second broker stops at once and quietly; anything else is a fault.
      if (started != BrokerServer::StartResult::kServing) ReportStartFailure(started, server.PipeName());
      return started == BrokerServer::StartResult::kServing;
    });
    running = &service;
    if (console) return service.Main() ? 0 : -1;
    if (!services.RunDispatcher(name, [&] { service.Main(); })) return -1;
    // The server's threads may still be in the pipe: end without unwinding it.
    std::fflush(nullptr);
    std::_Exit(0);
  };
  // The console argument comes from a launcher, never from the manager: a
  // hidden start may have no console window, and asking the manager's
  // dispatcher then can block (under Wine it does) instead of failing.
  if (command.mode == ServiceMode::kConsole) return serve(true);
  return serve(false);
}
