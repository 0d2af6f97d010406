#include "agent/AgentComposition.h"

#include "agent/AgentStartup.h"
#include "common/handoff/SavedDownloads.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/Shell.h"
#include "resources/PackImages.h"

namespace vard {

int AgentMain(std::u16string_view commandLine) {
  AgentServices services;
  services.clock = &platform::SystemClock();
  services.images = PackImage;
  services.reader.saved_downloads_path = SavedDownloadsPath();
  services.iconIndex = platform::ShellIconIndex;
  // Message boxes come with the agent's windows; until then the text goes
  // to the debug output so that nothing waits on a box nobody sees.
  services.messages = [](const std::u16string& text, const std::u16string& caption) {
    platform::DebugOutput(u"MWKTPlusProc: " + caption + u": " + text);
  };
  return RunAgent(commandLine, services);
}

}  // namespace vard
