#pragma once
// How a worker thread reaches its view's UI thread: a task posted to the
// view's event loop, and a wait for it on the injected clock that is either
// bounded (status notifications: the worker never waits long) or ends when
// the worker is told to stop (questions to the user).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "common/platform/Clock.h"

namespace vard {

class IUiThread;

class UiThreadCall {
 public:
  // Queues a task on the UI thread; false when the loop has ended.
  using PostFn = std::function<bool(std::function<void()>)>;
  static constexpr uint32_t kPollMs = 1;

  UiThreadCall(PostFn post, platform::IClock& clock);
  explicit UiThreadCall(IUiThread& ui);

  // Runs `task` on the UI thread and waits at most `timeoutMs` for it to
  // finish. True when it finished in time; a late task still runs.
  bool CallWithin(std::function<void()> task, uint32_t timeoutMs);

  // Posts `start`, which opens a question on the UI thread and calls the
  // done function it is given (on the UI thread, now or later) when the
  // answer is there. Waits until then or until `stop` is set; false when
  // stopped first, after posting `cancel` to close the question.
  bool AskUntil(std::function<void(std::function<void()> done)> start, const std::atomic<uint8_t>& stop,
                std::function<void()> cancel = nullptr);

  platform::IClock& Clock() { return clock_; }

 private:
  PostFn post_;
  platform::IClock& clock_;
};

}  // namespace vard
