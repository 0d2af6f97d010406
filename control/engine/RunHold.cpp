#include "control/engine/RunHold.h"

namespace vard {

void RunHold::Hold() {
  std::lock_guard lock(mutex_);
  held_ = true;
}

void RunHold::Release() {
  {
    std::lock_guard lock(mutex_);
    held_ = false;
  }
  released_.notify_all();
}

bool RunHold::Pass() {
  std::unique_lock lock(mutex_);
  if (!held_) return false;
  waiting_ = true;
  released_.wait(lock, [this] { return !held_; });
  waiting_ = false;
  return true;
}

bool RunHold::WorkerWaiting() const {
  std::lock_guard lock(mutex_);
  return waiting_;
}

}  // namespace vard
