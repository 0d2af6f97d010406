#pragma once
// The worker's status notices on their way to the UI thread. A run's start
// and end are handled at once and the worker waits for them (bounded); the
// per-file notices of a busy spell are gathered and handled together at
// most once a frame, so that a run through many small files wakes the UI
// thread a few dozen times a second instead of twice per file, and the
// worker never waits for the UI thread between files.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "agent/ListEntries.h"
#include "agent/views/UiThreadCall.h"

namespace vard {

class IUiThread;

class StatusMailbox {
 public:
  struct Notice {
    int status = 0;
    std::shared_ptr<UPLOAD_INFO> entry;  // the worker's entry when it sent it (null: none)
    uint32_t generation = 0;             // which start of the worker it belongs to
  };
  // UI thread: the notices, oldest first.
  using Handler = std::function<void(const std::vector<Notice>&)>;

  // `post` queues a task on the UI thread (false when that is no longer
  // possible); `timerId` is the mailbox's own timer on `ui`.
  StatusMailbox(IUiThread& ui, UiThreadCall::PostFn post, uint32_t timerId, uint32_t frameMs, Handler handler);
  ~StatusMailbox();  // UI thread
  StatusMailbox(const StatusMailbox&) = delete;
  StatusMailbox& operator=(const StatusMailbox&) = delete;

  // Any thread: queues a notice; statuses 0 and 7 ask for handling at once.
  // Returns the notice's number, 0 when nothing could be posted.
  uint64_t Push(Notice notice);
  // Worker thread: waits at most `timeoutMs` on the clock until notice
  // `number` was handled. True when it was.
  bool WaitHandled(uint64_t number, uint32_t timeoutMs);
  // UI thread: handles every queued notice now.
  void Drain();
  // Wake-ups of the UI thread so far (posts and timer calls; for figures).
  uint64_t WakeUps() const { return wakeUps_.load(); }

 private:
  void OnPosted();  // UI thread
  void SetTimerIn(uint32_t ms);

  IUiThread& ui_;
  UiThreadCall::PostFn post_;
  const uint32_t timerId_;
  const uint32_t frameMs_;
  Handler handler_;

  std::mutex mutex_;
  std::vector<Notice> queue_;
  uint64_t pushed_ = 0;
  bool posted_ = false;  // a post is on its way
  bool timed_ = false;   // the timer is set
  bool urgent_ = false;  // a queued notice must not wait for the frame
  std::atomic<uint64_t> handled_{0};
  std::atomic<uint64_t> wakeUps_{0};

  // UI thread only.
  uint32_t lastDrain_ = 0;
  bool drainedOnce_ = false;
  bool draining_ = false;
};

}  // namespace vard
