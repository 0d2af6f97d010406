#pragma once
// The upload view's worker: walks the list of CUploadFile entries and sends
// each one in parts.
#include <string>

#include "agent/jobs/ThreadManager.h"

namespace vard {

class CMWUploadThread : public CInternetThreadImpl {
 public:
  CMWUploadThread(EntryList& entries, IWorkerDialogs& dialogs, StatusCallback callback, platform::IClock& clock);
  ~CMWUploadThread() override;  // stops the run first: it uses the members below

  std::u16string notify_url;  // given by the view before each start

 protected:
  void Run() override;
};

}  // namespace vard
