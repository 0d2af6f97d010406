#pragma once
// A fully faked set of the control's services: every seam records what it
// was asked and answers what the test set. Wire() hands them to a control.
#include <atomic>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "control/ControlServices.h"

namespace vard::fakes {

struct FakeNetwork final : IControlNetwork {
  std::optional<int64_t> QueryRemoteSize(const std::u16string& url, bool utf8) override {
    asked.push_back(url);
    askedUtf8 = utf8;
    return size;
  }
  void PageGoingAway() override { goneAway = true; }
  std::optional<int64_t> size = 0;
  bool goneAway = false;
  std::vector<std::u16string> asked;
  bool askedUtf8 = false;
};

// The embedded dialog as the control drives it: what it was given.
struct FakeEmbedded final : IEmbeddedDownload {
  struct Record {
    std::vector<DownloadItem> items;
    int32_t width = 0, height = 0;
    bool focused = false;
    int32_t listHeight = -1;
    bool alive = true;
  };
  explicit FakeEmbedded(std::shared_ptr<Record> r) : record(std::move(r)) {}
  ~FakeEmbedded() override { record->alive = false; }
  void AddItem(const DownloadItem& item) override { record->items.push_back(item); }
  void Place(int32_t w, int32_t h) override { record->width = w, record->height = h; }
  void Focus() override { record->focused = true; }
  void SetListHeight(int32_t pixels) override { record->listHeight = pixels; }
  std::shared_ptr<Record> record;
};

struct FakeDialogs final : IDownloadDialogs {
  int RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch, DialogOwner owner) override {
    lastBatch = batch;
    lastOwner = owner;
    fullPathsDuringRun = state.useFullPath;
    stateDuringRun = state;
    ++listRuns;
    if (duringRun) duringRun();
    return endCode;
  }
  void RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& file) override;
  std::optional<OpenOrSaveAnswer> AskOpenOrSave(const std::u16string& name, int64_t size) override {
    asked.push_back({name, size});
    return answer;
  }
  void EndRuns() override { ++endRuns; }
  std::unique_ptr<IEmbeddedDownload> EmbedListDownload(DownloadDialogState&, std::function<void(int)> ended) override {
    embeddedEnd = std::move(ended);
    embedded = std::make_shared<FakeEmbedded::Record>();
    return std::make_unique<FakeEmbedded>(embedded);
  }

  struct Run {
    SingleFile file;
    bool fullPaths = false;
    bool openAfter = false;
    bool pageTrusted = true;
    bool overwrite = true;
  };
  int endCode = 1;
  int listRuns = 0;
  std::function<void()> duringRun;  // page script while the dialog is up
  std::vector<DownloadItem> lastBatch;
  DialogOwner lastOwner = DialogOwner::kControlWindow;
  bool fullPathsDuringRun = false;
  DownloadDialogState stateDuringRun;
  std::vector<Run> singleRuns;
  std::optional<OpenOrSaveAnswer> answer;
  std::vector<std::pair<std::u16string, int64_t>> asked;
  std::atomic<int> endRuns = 0;  // EndRuns may come from any thread
  std::shared_ptr<FakeEmbedded::Record> embedded;
  std::function<void(int)> embeddedEnd;
};

struct FakeFolders final : IControlFolders {
  std::u16string InitialDownloadFolder() override { return initial; }
  std::u16string PersonDownloadsFolder() override { return downloads; }
  std::u16string PrepareTempFolder(const std::u16string& folder) override { return u"prepared " + folder; }
  std::optional<std::u16string> SelectFolder() override { return chosen; }
  std::u16string initial = u"C:\\Docs";
  std::u16string downloads = u"C:\\Users\\u\\Downloads";
  std::optional<std::u16string> chosen;
};

struct FakeHandOff final : IAgentHandOff {
  void HandOff(const AgentHandOffRequest& request) override { requests.push_back(request); }
  std::vector<AgentHandOffRequest> requests;
};

struct FakeSavedDownloads final : ISavedDownloads {
  std::optional<uint32_t> PendingCount() override { return count; }
  std::optional<uint32_t> count = 0;
};

struct FakeShell final : IControlShell {
  int32_t IconIndex(const std::u16string&, bool directory) override { return directory ? 4 : 3; }
  void DragOut(std::function<void(const std::u16string&)> droppedInto) override {
    ++drags;
    if (dropFolder) droppedInto(*dropFolder);
  }
  int drags = 0;
  std::optional<std::u16string> dropFolder;
};

struct FakeHostInfo final : platform::IHostInfo {
  std::vector<uint32_t> Ipv4Addresses() override { return ipv4; }
  std::vector<platform::HardwareAddress> AdapterAddresses() override { return adapters; }
  std::vector<uint32_t> ipv4;
  std::vector<platform::HardwareAddress> adapters;
};

// Accepts "en" and "ko" without touching its store, which holds the texts
// the presenter shows.
struct FakeLanguage final : IControlLanguage {
  FakeLanguage();
  bool LoadPack(const std::u16string& language) override {
    loads.push_back(language);
    return accepted.count(language) > 0;
  }
  const LanguageStore& Texts() override { return store; }
  LanguageStore store;
  std::set<std::u16string> accepted{u"en", u"ko"};
  std::vector<std::u16string> loads;
};

// No site lock unless a test sets one; every URL in `zone`.
struct FakeZones final : IPageZones {
  std::optional<SiteLock> ReadSiteLock() override { return lock; }
  platform::UrlZone ZoneOf(const std::u16string& url) override {
    asked.push_back(url);
    return zone;
  }
  std::optional<SiteLock> lock;
  platform::UrlZone zone = platform::UrlZone::kIntranet;
  std::vector<std::u16string> asked;
};

struct FakeControlServices {
  ControlServices Wire();

  std::shared_ptr<FakeNetwork> network = std::make_shared<FakeNetwork>();
  std::shared_ptr<FakeDialogs> dialogs = std::make_shared<FakeDialogs>();
  std::shared_ptr<FakeFolders> folders = std::make_shared<FakeFolders>();
  std::shared_ptr<FakeHandOff> handOff = std::make_shared<FakeHandOff>();
  std::shared_ptr<FakeSavedDownloads> savedDownloads = std::make_shared<FakeSavedDownloads>();
  std::shared_ptr<FakeShell> shell = std::make_shared<FakeShell>();
  std::shared_ptr<FakeHostInfo> hostInfo = std::make_shared<FakeHostInfo>();
  std::shared_ptr<FakeLanguage> language = std::make_shared<FakeLanguage>();
  std::shared_ptr<ProgramTitle> title = std::make_shared<ProgramTitle>();
  std::shared_ptr<FakeZones> zones = std::make_shared<FakeZones>();
  std::shared_ptr<std::vector<std::u16string>> debugLines = std::make_shared<std::vector<std::u16string>>();
};

}  // namespace vard::fakes
