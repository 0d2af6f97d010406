#include "control/ControlComposition.h"

#include "common/handoff/SavedDownloads.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/Registry.h"
#include "common/platform/Shell.h"
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

// The system's icons; the drag out of the list waits for the control's
// windows and stays with the stand-in until then.
class SystemShell final : public IControlShell {
 public:
  explicit SystemShell(std::shared_ptr<IControlShell> dragOut) : dragOut_(std::move(dragOut)) {}
  int32_t IconIndex(const std::u16string& name, bool directory) override {
    return platform::ShellIconIndex(name, directory ? platform::attribute::kDirectory : platform::attribute::kNormal);
  }
  void DragOut(std::function<void(const std::u16string& folder)> droppedInto) override {
    dragOut_->DragOut(std::move(droppedInto));
  }

 private:
  std::shared_ptr<IControlShell> dragOut_;
};

// The site lock of this machine's registry and the system's zones.
class SystemPageZones final : public IPageZones {
 public:
  explicit SystemPageZones(DebugSink debug) : debug_(std::move(debug)) {}
  std::optional<SiteLock> ReadSiteLock() override {
    SiteLock::Checks checks;
    checks.log = debug_;
    return SiteLock::Read(platform::SystemRegistry(), checks);
  }
  platform::UrlZone ZoneOf(const std::u16string& url) override { return platform::ZoneOfUrl(url); }

 private:
  DebugSink debug_;
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
  s.shell = std::make_shared<SystemShell>(MissingShell(kSeamNotAvailableYet, s.debug));
  s.hostInfo = ProcessWide(platform::SystemHostInfo());
  s.language = std::make_shared<CarriedLanguagePacks>();
  s.title = ProcessWide(ProgramTitle::Process());
  s.zones = std::make_shared<SystemPageZones>(s.debug);
  return s;
}

}  // namespace vard
