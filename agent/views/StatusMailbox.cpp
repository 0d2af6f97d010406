#include "agent/views/StatusMailbox.h"

#include "agent/jobs/ThreadManager.h"
#include "agent/views/UiThread.h"

namespace vard {

StatusMailbox::StatusMailbox(IUiThread& ui, UiThreadCall::PostFn post, uint32_t timerId, uint32_t frameMs,
                             Handler handler)
    : ui_(ui), post_(std::move(post)), timerId_(timerId), frameMs_(frameMs), handler_(std::move(handler)) {}

StatusMailbox::~StatusMailbox() {
  bool timed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    timed = timed_;
    timed_ = false;
  }
  if (timed) ui_.KillTimer(timerId_);
}

uint64_t StatusMailbox::Push(Notice notice) {
  const bool urgent = notice.status == kStatusRunStart || notice.status == kStatusRunEnd;
  uint64_t number;
  bool post;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(notice));
    number = ++pushed_;
    urgent_ = urgent_ || urgent;
    // A set timer picks the notice up, unless it cannot wait that long.
    post = !posted_ && (!timed_ || urgent);
    posted_ = posted_ || post;
  }
  if (!post) return number;
  if (post_([this] { OnPosted(); })) return number;
  std::lock_guard<std::mutex> lock(mutex_);
  posted_ = false;
  return timed_ ? number : 0;
}

bool StatusMailbox::WaitHandled(uint64_t number, uint32_t timeoutMs) {
  if (number == 0) return false;
  return ui_.Clock().WaitUntil([&] { return handled_.load() >= number; }, timeoutMs, UiThreadCall::kPollMs);
}

void StatusMailbox::OnPosted() {
  ++wakeUps_;
  bool now;
  bool setTimer = false;
  uint32_t since = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    posted_ = false;
    if (drainedOnce_) since = ui_.Clock().MillisecondsSince(lastDrain_);
    now = urgent_ || !drainedOnce_ || since >= frameMs_;
    if (!now && !timed_) setTimer = timed_ = true;
  }
  if (now) {
    Drain();
  } else if (setTimer) {
    SetTimerIn(frameMs_ - since);
  }
}

void StatusMailbox::SetTimerIn(uint32_t ms) {
  ui_.SetTimer(timerId_, ms, [this] {
    ++wakeUps_;
    Drain();
  });
}

void StatusMailbox::Drain() {
  if (draining_) {
    // A nested loop (a modal box) while the batch is handled: the next
    // batch waits for this one, keeping the order.
    bool setTimer;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      setTimer = !timed_;
      timed_ = true;
    }
    if (setTimer) SetTimerIn(frameMs_);
    return;
  }
  std::vector<Notice> batch;
  uint64_t last;
  bool timed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    batch.swap(queue_);
    last = pushed_;
    urgent_ = false;
    timed = timed_;
    timed_ = false;
  }
  if (timed) ui_.KillTimer(timerId_);
  lastDrain_ = ui_.Clock().TickCount();
  drainedOnce_ = true;
  if (!batch.empty()) {
    draining_ = true;
    handler_(batch);
    draining_ = false;
  }
  handled_ = last;
}

}  // namespace vard
