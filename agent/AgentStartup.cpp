#include "agent/AgentStartup.h"

#include "agent/AgentCommandLine.h"
#include "common/handoff/SavedDownloads.h"
#include "common/log/DiagnosticLog.h"
#include "common/platform/EventLoop.h"
#include "common/platform/NamedMutex.h"

namespace vard {

int RunAgent(std::u16string_view commandLine, AgentServices& services) {
  platform::EventLoop loop(*services.clock);
  const AgentOptions options = ParseAgentCommandLine(commandLine);
  SetLogOption(options.log);
  if (options.mode == AgentMode::kNone) return kExitNoMode;
  SetAgentMode(options.mode);
  const AgentModeFacts& facts = FactsOf(options.mode);

  LoadAgentLanguageTable(options.language, services.images);

  bool alreadyExisted = false;
  // Held until the agent ends: its existence marks the running agent.
  platform::NamedMutex instance = platform::NamedMutex::Create(facts.instanceMutex, &alreadyExisted, *services.clock);
  if (alreadyExisted) {
    instance.Close();
    SetAgentMode(AgentMode::kNone);
    return kExitAlreadyRunning;
  }
  // Only the one agent of its mode may start the file afresh: a second
  // start must not wipe what the running one saved.
  if (facts.resetsSavedDownloads && !services.reader.saved_downloads_path.empty())
    ResetSavedDownloads(services.reader.saved_downloads_path);

  MainViewSetup view;
  view.mode = options.mode;
  view.reader = services.reader;
  view.iconIndex = services.iconIndex;
  view.fileTime = services.fileTime;
  CMainFrame frame(loop, std::move(view), services.messages, StandardConsoleOptions(), services.windows);
  if (!frame.Create()) return kExitNoMode;
  return loop.Run();
}

}  // namespace vard
