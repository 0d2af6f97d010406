#pragma once
// Everything the control reaches outside itself, grouped by concern. Each
// program wires the real set in its composition root (ControlComposition.h
// for the library); tests wire fakes. A seam left null is replaced by a
// stand-in that says so on the debug output and reports no success.
#include <functional>
#include <memory>
#include <string_view>

#include "common/platform/HostInfo.h"
#include "control/ProgramTitle.h"
#include "control/services/AgentHandOff.h"
#include "control/services/ControlFolders.h"
#include "control/services/ControlLanguage.h"
#include "control/services/ControlNetwork.h"
#include "control/services/ControlShell.h"
#include "control/services/DownloadDialogs.h"
#include "control/services/PageZones.h"

namespace vard {

using DebugSink = std::function<void(std::u16string_view line)>;

struct ControlServices {
  std::shared_ptr<IControlNetwork> network;
  std::shared_ptr<IDownloadDialogs> dialogs;
  std::shared_ptr<IControlFolders> folders;
  std::shared_ptr<IAgentHandOff> handOff;
  std::shared_ptr<ISavedDownloads> savedDownloads;
  std::shared_ptr<IControlShell> shell;
  std::shared_ptr<platform::IHostInfo> hostInfo;
  std::shared_ptr<IControlLanguage> language;
  std::shared_ptr<ProgramTitle> title;
  std::shared_ptr<IPageZones> zones;
  // Where missing seams are reported; empty: the system's debug output.
  DebugSink debug;
};

// `services` with every null seam replaced by its "not wired" stand-in.
ControlServices WithMissingSeamsMarked(ControlServices services);

}  // namespace vard
