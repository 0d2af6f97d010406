#pragma once
// The upload view's worker: walks the list of CUploadFile entries and sends
// each one in parts.
#include <string>

#include "agent/jobs/ThreadManager.h"
#include "common/http/InternetHandles.h"

namespace vard {

class CMWUploadThread : public CInternetThreadImpl {
 public:
  CMWUploadThread(EntryList& entries, IWorkerDialogs& dialogs, StatusCallback callback, platform::IClock& clock);
  ~CMWUploadThread() override;  // stops the run first: it uses the members below

  std::u16string notify_url;  // given by the view before each start

 protected:
  void Run() override;
  // Closing the session breaks a post blocked on a server.
  void AbortBlockingCalls() override { session_.Close(); }

 private:
  // The posts' session, opened for each run that finds it closed.
  CInternetSession session_;
};

}  // namespace vard
