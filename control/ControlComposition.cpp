#include "control/ControlComposition.h"

#include "common/handoff/SavedDownloads.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/KnownFolders.h"
#include "common/respack/LanguagePack.h"
#include "control/AgentLauncher.h"
#include "control/PageCookies.h"
#include "control/engine/ConsoleDownloadDialogs.h"
#include "control/engine/RegistryFolders.h"
#include "control/engine/RemoteSize.h"
#include "control/services/MissingServices.h"
#include "resources/PackImages.h"

namespace vard {
namespace {

// A shared pointer to a process-wide object, owning nothing.
template <typename T>
std::shared_ptr<T> ProcessWide(T& object) {
  return std::shared_ptr<T>(std::shared_ptr<void>(), &object);
}

// The packs built into the module, applied to the process's store.
class CarriedLanguagePacks final : public IControlLanguage {
 public:
  bool LoadPack(const std::u16string& language) override {
    return SelectAndValidatePack(language, PackImage, LanguageStore::Instance());
  }
  const LanguageStore& Texts() override { return LanguageStore::Instance(); }
};

// The saved-downloads file in the data folder. No file counts 0.
class SavedDownloadsFile final : public ISavedDownloads {
 public:
  std::optional<uint32_t> PendingCount() override {
    return static_cast<uint32_t>(SavedFileCount(SavedDownloadsPath()));
  }
};

}  // namespace

ControlServices ComposeControlServices(DebugSink debug) {
  ControlServices s;
  s.debug = debug ? std::move(debug) : [](std::u16string_view line) { platform::DebugOutput(line); };
  s.network = std::make_shared<HttpControlNetwork>();
  // The list download runs in the console view until the control has windows.
  s.dialogs = std::make_shared<ConsoleDownloadDialogs>(MissingDialogs(kSeamNotAvailableYet, s.debug));
  s.folders = std::make_shared<RegistryFolders>(platform::SystemRegistry(), MissingFolders(kSeamNotAvailableYet, s.debug));
  AgentLauncherSetup launcher;
  launcher.program = AgentLauncher::DefaultProgram();
  launcher.savedDownloadsPath = SavedDownloadsPath();
  launcher.pageCookies = GetPageCookies;
  // Made with the control: its regions stay mapped for the control's life.
  s.handOff = std::make_shared<AgentLauncher>(std::move(launcher));
  s.savedDownloads = std::make_shared<SavedDownloadsFile>();
  s.shell = MissingShell(kSeamNotAvailableYet, s.debug);
  s.hostInfo = ProcessWide(platform::SystemHostInfo());
  s.language = std::make_shared<CarriedLanguagePacks>();
  s.title = ProcessWide(ProgramTitle::Process());
  return s;
}

}  // namespace vard
