#pragma once
// Where the control's download worker holds while its dialog asks whether
// to stop. The dialog's thread holds the run; the worker, at its next block
// (a progress report, a call to its dialog), waits there until the run is
// released, so the counters stay still and nothing else is asked meanwhile.
// Cooperative: the worker waits only where it holds no lock of the run.
#include <condition_variable>
#include <mutex>

namespace vard {

class RunHold {
 public:
  // Dialog's thread.
  void Hold();
  void Release();
  // Worker: returns at once unless held, else when released; whether it
  // waited.
  bool Pass();
  // The worker waits in Pass.
  bool WorkerWaiting() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable released_;
  bool held_ = false;
  bool waiting_ = false;
};

}  // namespace vard
