#include "control/services/MissingServices.h"

#include "common/platform/DebugOutput.h"

namespace vard {
namespace {

class MissingSeam {
 public:
  MissingSeam(std::u16string_view service, std::u16string_view reason, DebugSink debug)
      : service_(service), reason_(reason), debug_(std::move(debug)) {}

 protected:
  void Report(std::u16string_view call) const { debug_(MissingSeamLine(service_, reason_, call)); }

 private:
  std::u16string service_;
  std::u16string reason_;
  DebugSink debug_;
};

class NoNetwork final : public IControlNetwork, MissingSeam {
 public:
  using MissingSeam::MissingSeam;
  std::optional<int64_t> QueryRemoteSize(const std::u16string&, bool) override {
    Report(u"QueryRemoteSize");
    return std::nullopt;
  }
  void PageGoingAway() override {}  // nothing is ever in flight
};

class NoDialogs final : public IDownloadDialogs, MissingSeam {
 public:
  using MissingSeam::MissingSeam;
  int RunListDownload(DownloadDialogState&, const std::vector<DownloadItem>&, DialogOwner) override {
    Report(u"RunListDownload");
    return 0;  // no end code: no event
  }
  void RunDownloadAndOpen(const ControlSettings&, const SingleFile&) override { Report(u"RunDownloadAndOpen"); }
  std::unique_ptr<IEmbeddedDownload> EmbedListDownload(DownloadDialogState&, std::function<void(int)>) override {
    Report(u"EmbedListDownload");
    return nullptr;  // no embedded dialog: child mode shows nothing
  }
  std::optional<OpenOrSaveAnswer> AskOpenOrSave(const std::u16string&, int64_t) override {
    Report(u"AskOpenOrSave");
    return std::nullopt;
  }
  void EndRuns() override {}  // none can be up
};

class NoFolders final : public IControlFolders, MissingSeam {
 public:
  using MissingSeam::MissingSeam;
  std::u16string InitialDownloadFolder() override {
    Report(u"InitialDownloadFolder");
    return {};
  }
  std::u16string PersonDownloadsFolder() override {
    Report(u"PersonDownloadsFolder");
    return {};
  }
  std::u16string PrepareTempFolder(const std::u16string& folder) override {
    Report(u"PrepareTempFolder");
    return folder;  // kept as given: neither normalised nor created
  }
  std::optional<std::u16string> SelectFolder() override {
    Report(u"SelectFolder");
    return std::nullopt;
  }
};

class NoHandOff final : public IAgentHandOff, MissingSeam {
 public:
  using MissingSeam::MissingSeam;
  void HandOff(const AgentHandOffRequest&) override { Report(u"HandOff"); }
};

class NoSavedDownloads final : public ISavedDownloads, MissingSeam {
 public:
  using MissingSeam::MissingSeam;
  std::optional<uint32_t> PendingCount() override {
    Report(u"PendingCount");
    return std::nullopt;
  }
};

class NoShell final : public IControlShell, MissingSeam {
 public:
  using MissingSeam::MissingSeam;
  int32_t IconIndex(const std::u16string&, bool) override {
    Report(u"IconIndex");
    return 0;
  }
  void DragOut(std::function<void(const std::u16string&)>) override { Report(u"DragOut"); }
};

class NoHostInfo final : public platform::IHostInfo, MissingSeam {
 public:
  using MissingSeam::MissingSeam;
  std::vector<uint32_t> Ipv4Addresses() override {
    Report(u"Ipv4Addresses");
    return {};
  }
  std::vector<platform::HardwareAddress> AdapterAddresses() override {
    Report(u"AdapterAddresses");
    return {};
  }
};

class NoLanguage final : public IControlLanguage, MissingSeam {
 public:
  using MissingSeam::MissingSeam;
  bool LoadPack(const std::u16string&) override {
    Report(u"LoadPack");
    return false;
  }
  const LanguageStore& Texts() override { return empty_; }

 private:
  LanguageStore empty_;
};

class NoZones final : public IPageZones, MissingSeam {
 public:
  using MissingSeam::MissingSeam;
  std::optional<SiteLock> ReadSiteLock() override {
    Report(u"ReadSiteLock");
    return std::nullopt;
  }
  platform::UrlZone ZoneOf(const std::u16string&) override {
    Report(u"ZoneOf");
    return platform::UrlZone::kInternet;
  }
};

DebugSink OrSystem(DebugSink debug) {
  if (debug) return debug;
  return [](std::u16string_view line) { platform::DebugOutput(line); };
}

}  // namespace

std::u16string MissingSeamLine(std::u16string_view service, std::u16string_view reason, std::u16string_view call) {
  std::u16string line = u"VardKT5: ";
  line.append(service).append(u" ").append(reason).append(u": ").append(call).append(u" did nothing");
  return line;
}

std::shared_ptr<IControlNetwork> MissingNetwork(std::u16string_view reason, DebugSink debug) {
  return std::make_shared<NoNetwork>(u"network", reason, OrSystem(std::move(debug)));
}
std::shared_ptr<IDownloadDialogs> MissingDialogs(std::u16string_view reason, DebugSink debug) {
  return std::make_shared<NoDialogs>(u"download dialogs", reason, OrSystem(std::move(debug)));
}
std::shared_ptr<IControlFolders> MissingFolders(std::u16string_view reason, DebugSink debug) {
  return std::make_shared<NoFolders>(u"folders", reason, OrSystem(std::move(debug)));
}
std::shared_ptr<IAgentHandOff> MissingHandOff(std::u16string_view reason, DebugSink debug) {
  return std::make_shared<NoHandOff>(u"agent hand-off", reason, OrSystem(std::move(debug)));
}
std::shared_ptr<ISavedDownloads> MissingSavedDownloads(std::u16string_view reason, DebugSink debug) {
  return std::make_shared<NoSavedDownloads>(u"saved downloads", reason, OrSystem(std::move(debug)));
}
std::shared_ptr<IControlShell> MissingShell(std::u16string_view reason, DebugSink debug) {
  return std::make_shared<NoShell>(u"shell", reason, OrSystem(std::move(debug)));
}
std::shared_ptr<platform::IHostInfo> MissingHostInfo(std::u16string_view reason, DebugSink debug) {
  return std::make_shared<NoHostInfo>(u"host information", reason, OrSystem(std::move(debug)));
}
std::shared_ptr<IControlLanguage> MissingLanguage(std::u16string_view reason, DebugSink debug) {
  return std::make_shared<NoLanguage>(u"language packs", reason, OrSystem(std::move(debug)));
}

std::shared_ptr<IPageZones> MissingZones(std::u16string_view reason, DebugSink debug) {
  return std::make_shared<NoZones>(u"page zones", reason, OrSystem(std::move(debug)));
}

ControlServices WithMissingSeamsMarked(ControlServices s) {
  s.debug = OrSystem(std::move(s.debug));
  if (!s.network) s.network = MissingNetwork(kSeamNotWired, s.debug);
  if (!s.dialogs) s.dialogs = MissingDialogs(kSeamNotWired, s.debug);
  if (!s.folders) s.folders = MissingFolders(kSeamNotWired, s.debug);
  if (!s.handOff) s.handOff = MissingHandOff(kSeamNotWired, s.debug);
  if (!s.savedDownloads) s.savedDownloads = MissingSavedDownloads(kSeamNotWired, s.debug);
  if (!s.shell) s.shell = MissingShell(kSeamNotWired, s.debug);
  if (!s.hostInfo) s.hostInfo = MissingHostInfo(kSeamNotWired, s.debug);
  if (!s.language) s.language = MissingLanguage(kSeamNotWired, s.debug);
  if (!s.zones) s.zones = MissingZones(kSeamNotWired, s.debug);
  if (!s.title) {
    s.debug(MissingSeamLine(u"program title", kSeamNotWired, u"sharing the title"));
    s.title = std::make_shared<ProgramTitle>();  // this control's own
  }
  return s;
}

}  // namespace vard
