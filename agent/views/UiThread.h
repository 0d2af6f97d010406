#pragma once
// The UI thread a view lives on, as the view sees it: tasks posted from any
// thread and timers on the injected clock. Production: an EventLoop; tests:
// a loop they pump themselves.
#include <cstdint>
#include <functional>

#include "common/platform/Clock.h"

namespace vard {

namespace platform {
class EventLoop;
}

class IUiThread {
 public:
  virtual ~IUiThread() = default;
  // Any thread. False when the thread's loop has ended.
  virtual bool Post(std::function<void()> task) = 0;
  // UI thread only.
  virtual void SetTimer(uint32_t id, uint32_t periodMs, std::function<void()> task) = 0;
  virtual void KillTimer(uint32_t id) = 0;
  virtual platform::IClock& Clock() = 0;
};

class EventLoopUiThread final : public IUiThread {
 public:
  explicit EventLoopUiThread(platform::EventLoop& loop) : loop_(loop) {}
  bool Post(std::function<void()> task) override;
  void SetTimer(uint32_t id, uint32_t periodMs, std::function<void()> task) override;
  void KillTimer(uint32_t id) override;
  platform::IClock& Clock() override;

 private:
  platform::EventLoop& loop_;
};

}  // namespace vard
