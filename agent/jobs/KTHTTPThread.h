#pragma once
// The download view's worker: walks the list of CDownloadFile entries and
// fetches each one into the save folder (the download job).
#include <string>

#include "agent/jobs/ThreadManager.h"
#include "common/http/InternetHandles.h"

namespace vard {

class CKTHTTPThread : public CInternetThreadImpl {
 public:
  CKTHTTPThread(EntryList& entries, IWorkerDialogs& dialogs, StatusCallback callback, platform::IClock& clock);
  ~CKTHTTPThread() override;  // stops the run first: it uses the members below

  std::u16string save_folder;  // given by the view before each start
  std::u16string notify_url;   // empty: no notifications

 protected:
  void Run() override;
  // Closing the sessions breaks every call blocked on their handles, the
  // notification posts' too.
  void AbortBlockingCalls() override {
    session_.Close();
    notifySession_.Close();
  }

 private:
  // The worker's own session ("VardKT5"), opened when it is built.
  CInternetSession session_;
  // The notification posts' session ("VardMW5", as every form post's),
  // opened for each run that finds it closed.
  CInternetSession notifySession_;
};

}  // namespace vard
