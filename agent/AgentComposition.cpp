#include "agent/AgentComposition.h"

#include "agent/AgentCommandLine.h"
#include "agent/AgentStartup.h"
#include "agent/jobs/BrokerStarter.h"
#include "agent/jobs/DownloadWiring.h"
#include "common/brokerpipe/FileBrokerClient.h"
#include "common/handoff/SavedDownloads.h"
#include "common/log/DiagnosticLog.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/Environment.h"
#include "common/platform/Http.h"
#include "common/platform/IFileSystem.h"
#include "common/platform/Registry.h"
#include "common/platform/Shell.h"
#include "resources/PackImages.h"

namespace vard {

int AgentMain(std::u16string_view commandLine, FrameWindowFactories windows) {
  // "-KTLOG<value>" switches the diagnostic log on.
  SetLogOptionFromCommandLine(commandLine);
  // An agent with a mode soon makes requests: the HTTP stack loads while
  // its window is made and its batch read.
  // Whatever way the agent ends, the load is over before it returns.
  const platform::HttpLoadScope http(ParseAgentCommandLine(commandLine).mode != AgentMode::kNone);
  AgentServices services;
  services.clock = &platform::SystemClock();
  services.images = PackImage;
  services.reader.saved_downloads_path = SavedDownloadsPath();
  services.iconIndex = platform::ShellIconIndex;
  services.fileTime = LocalFileWriteTime;
  services.windows = std::move(windows);
  // Message boxes come with the agent's windows; until then the text goes
  // to the debug output so that nothing waits on a box nobody sees.
  services.messages = [](const std::u16string& text, const std::u16string& caption) {
    platform::DebugOutput(u"MWKTPlusProc: " + caption + u": " + text);
  };

  // The download workers' services; one broker client for the process.
  static fsb::FileBrokerClient broker(platform::SystemClock());
  DownloadWiring wiring;
  wiring.files = &platform::RealFileSystem();
  wiring.broker = &broker;
  wiring.brokerProgram = BrokerProgramPath();
  wiring.savedDownloadsPath = SavedDownloadsPath();
  wiring.registry = &platform::SystemRegistry();
  wiring.osMajorVersion = platform::OsMajorVersion;
  wiring.log = [](const LogEvent& e) { WriteLog(e); };
  SetDownloadWiring(std::move(wiring));

  const int code = RunAgent(commandLine, services);
  // The download view is gone with the window: the console-mode broker it
  // used ends. Other modes, second instances and failed starts never used
  // one; a broker running then belongs to another agent.
  if (platform::OsMajorVersion() >= 6 && broker.EverConnected()) EndConsoleBroker(broker);
  return code;
}

}  // namespace vard
