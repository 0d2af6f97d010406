#include "agent/jobs/KTHTTPThread.h"

#include "common/platform/DebugOutput.h"

namespace vard {

CKTHTTPThread::CKTHTTPThread(EntryList& entries, IWorkerDialogs& dialogs, StatusCallback callback,
                             platform::IClock& clock)
    : CInternetThreadImpl(entries, dialogs, std::move(callback), clock) {}

CKTHTTPThread::~CKTHTTPThread() { StopAndWait(); }

void CKTHTTPThread::Run() {
  // The download job is not built yet: the run starts and ends, moving nothing.
  SendStatus(kStatusRunStart);
  platform::DebugOutput(u"MWKTPlusProc: the download job is not available yet");
  SendStatus(kStatusRunEnd);
}

}  // namespace vard
