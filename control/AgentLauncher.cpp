#include "control/AgentLauncher.h"

#include "common/handoff/AgentNames.h"
#include "common/handoff/SavedDownloads.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Process.h"
#include "common/platform/UrlOrigin.h"
#include "common/platform/WindowMessenger.h"
#include "common/text/UrlEncoding.h"

namespace vard {
namespace {

class DownloadAgentProcess final : public IAgentProcess {
 public:
  DownloadAgentProcess(platform::IClock& clock, AgentWindows windows) : clock_(clock), w_(std::move(windows)) {}

  bool Running() override { return platform::NamedMutex::Exists(kDownloadAgentMutex); }

  bool Start(const std::u16string& program, const std::u16string& parameters, uint32_t waitLimitMs) override {
    // Ready means its view window answers: it has read the batch by then.
    auto idle = [this] {
      const auto main = w_.find(kDownloadMainClass, nullptr);
      return main && w_.find(kDownloadViewClass, &*main).has_value();
    };
    return platform::ShellStartAndWait(program, parameters, u"", idle, clock_, waitLimitMs,
                                       platform::StartShow::kNormal);
  }

  bool Notify(uint32_t waitLimitMs) override {
    const auto main = w_.find(kDownloadMainClass, nullptr);
    if (!main) return false;
    const auto view = w_.find(kDownloadViewClass, &*main);
    if (!view) return false;
    // An agent that did not answer in time is not asked anything more.
    if (!w_.send(*view, kInsertQueueMessage, waitLimitMs)) return false;
    w_.bringToTop(*main);
    return true;
  }

 private:
  platform::IClock& clock_;
  AgentWindows w_;
};

}  // namespace

AgentWindows SystemAgentWindows(platform::IClock& clock) {
  AgentWindows w;
  w.find = [](const std::u16string& className, const platform::WindowRef* parent) {
    return platform::FindProgramWindow(className, parent);
  };
  w.send = [&clock](const platform::WindowRef& window, const std::u16string& name, uint32_t waitLimitMs) {
    intptr_t result = 0;
    return platform::SendRegisteredMessage(window, name, 0, 0, &result, waitLimitMs, clock);
  };
  w.bringToTop = [](const platform::WindowRef& window) { return platform::BringToForeground(window); };
  return w;
}

std::unique_ptr<IAgentProcess> MakeDownloadAgent(platform::IClock& clock, AgentWindows windows) {
  return std::make_unique<DownloadAgentProcess>(clock, std::move(windows));
}

IAgentProcess& SystemDownloadAgent(platform::IClock& clock) {
  static DownloadAgentProcess agent(clock, SystemAgentWindows(clock));
  return agent;
}

AgentLauncher::AgentLauncher(AgentLauncherSetup setup)
    : setup_(std::move(setup)), writer_(*setup_.regions, setup_.names) {}

std::u16string AgentLauncher::DefaultProgram() {
  return platform::SystemDirectory() + u"\\" + platform::ExecutableFileName(kAgentProgramName);
}

std::u16string AgentLauncher::CommandLine(const AgentHandOffRequest& request) {
  std::u16string line = u" -Mdownload";
  if (!request.language.empty()) line += u" -L" + request.language;
  if (!request.logText.empty()) line += u" -KTLOG" + request.logText;
  return line;
}

DownloadHandOff AgentLauncher::Batch(const AgentHandOffRequest& request) const {
  DownloadHandOff batch;
  batch.title = request.title;
  batch.notification_url = request.notificationUrl;
  batch.resume_by_query = request.resumeByQuery;
  // A page's items go straight into the region (WriteItems).
  if (!request.batch && !setup_.savedDownloadsPath.empty())
    batch.records = PendingSavedDownloads(setup_.savedDownloadsPath);
  std::vector<std::u16string> urls;
  if (request.batch)
    for (const DownloadItem& item : *request.batch) urls.push_back(EncodeUrl(item.url, request.utf8Urls));
  for (const DOWNLOAD_INFO& record : batch.records) urls.push_back(ReadField(record.url));
  batch.cookie = BatchCookie(request.pageUrl, urls);
  return batch;
}

// Decided here, against the batch's URLs, because the agent never learns
// the page: it sends the batch's cookie to each item's host.
std::u16string AgentLauncher::BatchCookie(const std::u16string& pageUrl, const std::vector<std::u16string>& urls) const {
  if (!setup_.pageCookies || urls.empty()) return {};
  const PageCookies cookies = setup_.pageCookies(pageUrl);
  if (cookies.text.empty()) return {};
  for (const std::u16string& url : urls) {
    if (platform::PageCookieMayGo(pageUrl, url, !cookies.mayBeSecure)) continue;
    const auto origin = platform::OriginOf(url);
    platform::DebugOutput(u"VardKT5: the page's cookies stay out of a batch that goes to " +
                          (origin ? origin->Text() : std::u16string(u"an unknown host")));
    return {};
  }
  return cookies.text;
}

void AgentLauncher::WriteItems(const AgentHandOffRequest& request) {
  if (!request.batch) return;
  for (const DownloadItem& item : *request.batch) {
    if (!writer_.Append(MakeDownloadRecord(EncodeUrl(item.url, request.utf8Urls), item.subFolder, item.displayName,
                                           item.fileSize, static_cast<int32_t>(request.rateLimitKb))))
      break;
  }
}

void AgentLauncher::HandOff(const AgentHandOffRequest& request) {
  platform::IClock& clock = *setup_.clock;
  const std::u16string lockName = setup_.names(kDownloadHandOffLock);
  platform::NamedMutex lock;
  const bool locked = clock.WaitUntil(
      [&] {
        bool held = false;
        // Our own handle from the last try would keep the mutex in being.
        lock.Close();
        lock = platform::NamedMutex::Create(lockName, &held, clock);
        return lock.IsValid() && !held;
      },
      setup_.waitLimitMs, 10);
  if (!locked) {
    // Better a batch that may meet another than one never handed over.
    lock.Close();
    platform::DebugOutput(u"VardKT5: the hand-off lock stayed busy; handing off without it");
  }
  writer_.Write(Batch(request));
  WriteItems(request);
  StartOrNotify(request);
}

void AgentLauncher::StartOrNotify(const AgentHandOffRequest& request) {
  IAgentProcess& agent = *setup_.agent;
  if (!agent.Running() && !agent.Start(setup_.program, CommandLine(request), setup_.waitLimitMs)) return;
  agent.Notify(setup_.waitLimitMs);
}

}  // namespace vard
