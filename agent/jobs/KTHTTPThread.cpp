#include "agent/jobs/KTHTTPThread.h"

#include "agent/jobs/BrokerOutput.h"
#include "agent/jobs/DirectOutput.h"
#include "agent/jobs/DownloadJob.h"
#include "agent/jobs/DownloadWiring.h"
#include "agent/jobs/ShellNotifyingOutput.h"
#include "agent/settings/AgentSettings.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/Shell.h"

namespace vard {
namespace {

constexpr char16_t kRetryFormat[] = u"재시도 (%d)";

// The job's view of this worker: its members, and its view's questions.
class WorkerJobHost final : public IDownloadJobHost {
 public:
  WorkerJobHost(CInternetThreadImpl& worker, platform::IRegistry& registry) : w_(worker), registry_(registry) {}

  bool StopRequested() override { return w_.stop_requested.load() != 0; }
  bool Running() override { return w_.alive.load() != 0 && w_.IsRunning(); }
  void EnterTransferLock() override { w_.EnterTransferLock(); }
  void LeaveTransferLock() override { w_.LeaveTransferLock(); }
  DownloadCounters Counters() override { return {&w_.run_bytes, &w_.run_seconds, &w_.job_bytes_done}; }
  int32_t& CurrentIndex() override { return w_.index; }
  int32_t& DuplicateAction() override { return w_.duplicate_action; }
  void Status(int value) override { w_.SendStatus(static_cast<VARD_THREAD_STATUS>(value)); }
  // The thread manager clears the running mark when the run returns.
  void RunEnded() override {}
  ExistingFileOption ExistingOption() override { return w_.Dialogs().ExistingFileChoice(); }
  void SetExistingOption(ExistingFileOption option) override { w_.Dialogs().SetExistingFileChoice(option); }
  DuplicateReply AskDuplicate(const std::u16string& path, int64_t fileSize) override {
    const DownloadExistsAnswer a = w_.Dialogs().AskDownloadExists({path, fileSize, true}, w_.stop_requested);
    return {a.action, a.applyToAll, a.savePath};
  }
  bool RetryCountdown(int, int seconds) override {
    return w_.Dialogs().RetryCountdown(kRetryFormat, seconds, w_.stop_requested) == RetryAnswer::kRetry;
  }
  RetrySettings Retry() override { return AgentSettings(registry_).Retry(AgentMode::kDownload); }
  void Message(const std::u16string& text, const std::u16string& caption) override {
    w_.Dialogs().ShowInformation(text, caption, w_.stop_requested);
  }

 private:
  CInternetThreadImpl& w_;
  platform::IRegistry& registry_;
};

}  // namespace

CKTHTTPThread::CKTHTTPThread(EntryList& entries, IWorkerDialogs& dialogs, StatusCallback callback,
                             platform::IClock& clock)
    : CInternetThreadImpl(entries, dialogs, std::move(callback), clock) {
  try {
    session_.Open(u"VardKT5");
  } catch (const CInternetException&) {
    // Every request of a run then fails on its own and is retried or logged.
  }
}

CKTHTTPThread::~CKTHTTPThread() { StopForGood(); }

void CKTHTTPThread::Run() {
  const DownloadWiring* wiring = GetDownloadWiring();
  if (!wiring || !wiring->files || !wiring->broker || !wiring->registry || !wiring->osMajorVersion) {
    SendStatus(kStatusRunStart);
    platform::DebugOutput(u"MWKTPlusProc: the download job's services are not wired");
    SendStatus(kStatusRunEnd);
    return;
  }
  // A stop that had to close the sessions leaves them for the next run to open.
  for (auto [session, agent] : {std::pair{&session_, u"VardKT5"}, std::pair{&notifySession_, u"VardMW5"}}) {
    if (session->IsOpen()) continue;
    try {
      session->Open(agent);
    } catch (const CInternetException&) {
    }
  }
  ResetRunCounters();
  DirectOutput direct(*wiring->files);
  BrokerOutput broker(*wiring->broker, wiring->brokerProgram, *wiring->files);
  // Open folder windows show new folders and files as they come.
  ShellNotifyingOutput shownDirect(direct, platform::ShellNotifyCreated);
  ShellNotifyingOutput shownBroker(broker, platform::ShellNotifyCreated);
  DownloadJobServices services;
  services.clock = &Clock();
  services.direct = &shownDirect;
  services.broker = &shownBroker;
  services.osMajorVersion = wiring->osMajorVersion;
  services.session = [this] { return session_.Handle(); };
  if (notifySession_.IsOpen()) services.notifySession = [this] { return notifySession_.Handle(); };
  services.savedDownloadsPath = wiring->savedDownloadsPath;
  services.log = wiring->log;
  WorkerJobHost host(*this, *wiring->registry);
  DownloadJob(host, std::move(services)).Run(Entries(), save_folder, notify_url);
}

}  // namespace vard
