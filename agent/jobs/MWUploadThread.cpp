#include "agent/jobs/MWUploadThread.h"

#include "agent/jobs/DownloadWiring.h"
#include "agent/jobs/UploadJob.h"
#include "common/http/InternetException.h"
#include "common/platform/DebugOutput.h"

namespace vard {
namespace {

constexpr char16_t kRetryFormat[] = u"재시도 (%d)";

// The job's view of this worker: its members, and its view's questions.
class UploadWorkerHost final : public IUploadJobHost {
 public:
  UploadWorkerHost(CInternetThreadImpl& worker, platform::IRegistry& registry) : w_(worker), registry_(registry) {}

  bool StopRequested() override { return w_.stop_requested.load() != 0; }
  void EnterTransferLock() override { w_.EnterTransferLock(); }
  void LeaveTransferLock() override { w_.LeaveTransferLock(); }
  DownloadCounters Counters() override { return {&w_.run_bytes, &w_.run_seconds, &w_.job_bytes_done}; }
  int32_t& CurrentIndex() override { return w_.index; }
  int32_t& PartSize() override { return w_.part_size; }
  int32_t& DuplicateAction() override { return w_.duplicate_action; }
  uint8_t& ApplyToAll() override { return w_.apply_to_all; }
  void Status(int value) override { w_.SendStatus(static_cast<VARD_THREAD_STATUS>(value)); }
  UploadExistsAnswer AskExists(const UploadExistsQuestion& question) override {
    return w_.Dialogs().AskUploadExists(question, w_.stop_requested);
  }
  bool RetryCountdown(int seconds) override {
    return w_.Dialogs().RetryCountdown(kRetryFormat, seconds, w_.stop_requested) == RetryAnswer::kRetry;
  }
  RetrySettings Retry() override { return AgentSettings(registry_).Retry(AgentMode::kUpload); }

 private:
  CInternetThreadImpl& w_;
  platform::IRegistry& registry_;
};

}  // namespace

CMWUploadThread::CMWUploadThread(EntryList& entries, IWorkerDialogs& dialogs, StatusCallback callback,
                                 platform::IClock& clock)
    : CInternetThreadImpl(entries, dialogs, std::move(callback), clock) {}

CMWUploadThread::~CMWUploadThread() { StopForGood(); }

void CMWUploadThread::Run() {
  // The program's file system, registry and log, wired once for both workers.
  const DownloadWiring* wiring = GetDownloadWiring();
  if (!wiring || !wiring->files || !wiring->registry) {
    SendStatus(kStatusRunStart);
    platform::DebugOutput(u"MWKTPlusProc: the upload job's services are not wired");
    SendStatus(kStatusRunEnd);
    return;
  }
  if (!session_.IsOpen()) {
    try {
      session_.Open(u"VardMW5");
    } catch (const CInternetException&) {
      // Each post then opens its own.
    }
  }
  ResetRunCounters();
  UploadJobServices services;
  if (session_.IsOpen()) services.session = [this] { return session_.Handle(); };
  services.clock = &Clock();
  services.files = wiring->files;
  services.registry = wiring->registry;
  services.log = wiring->log;
  UploadWorkerHost host(*this, *wiring->registry);
  UploadJob(host, std::move(services)).Run(Entries(), notify_url);
}

}  // namespace vard
