#include "agent/jobs/MWUploadThread.h"

#include "common/platform/DebugOutput.h"

namespace vard {

CMWUploadThread::CMWUploadThread(EntryList& entries, IWorkerDialogs& dialogs, StatusCallback callback,
                                 platform::IClock& clock)
    : CInternetThreadImpl(entries, dialogs, std::move(callback), clock) {}

CMWUploadThread::~CMWUploadThread() { StopAndWait(); }

void CMWUploadThread::Run() {
  // The upload job is not built yet: the run starts and ends, moving nothing.
  SendStatus(kStatusRunStart);
  platform::DebugOutput(u"MWKTPlusProc: the upload job is not available yet");
  SendStatus(kStatusRunEnd);
}

}  // namespace vard
