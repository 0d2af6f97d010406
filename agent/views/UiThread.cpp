#include "agent/views/UiThread.h"

#include "common/platform/EventLoop.h"

namespace vard {

bool EventLoopUiThread::Post(std::function<void()> task) { return loop_.Post(std::move(task)); }

void EventLoopUiThread::SetTimer(uint32_t id, uint32_t periodMs, std::function<void()> task) {
  loop_.SetTimer(id, periodMs, std::move(task));
}

void EventLoopUiThread::KillTimer(uint32_t id) { loop_.KillTimer(id); }

platform::IClock& EventLoopUiThread::Clock() { return loop_.Clock(); }

}  // namespace vard
