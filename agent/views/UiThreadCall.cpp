#include "agent/views/UiThreadCall.h"

#include "agent/views/UiThread.h"

namespace vard {

UiThreadCall::UiThreadCall(PostFn post, platform::IClock& clock) : post_(std::move(post)), clock_(clock) {}

UiThreadCall::UiThreadCall(IUiThread& ui)
    : post_([&ui](std::function<void()> task) { return ui.Post(std::move(task)); }), clock_(ui.Clock()) {}

bool UiThreadCall::CallWithin(std::function<void()> task, uint32_t timeoutMs) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  bool posted = post_([task = std::move(task), done] {
    task();
    *done = true;
  });
  if (!posted) return false;
  return clock_.WaitUntil([&] { return done->load(); }, timeoutMs, kPollMs);
}

bool UiThreadCall::AskUntil(std::function<void(std::function<void()> done)> start,
                            const std::atomic<uint8_t>& stop, std::function<void()> cancel) {
  auto answered = std::make_shared<std::atomic<bool>>(false);
  bool posted = post_([start = std::move(start), answered] { start([answered] { *answered = true; }); });
  if (!posted) return false;
  clock_.WaitUntil([&] { return answered->load() || stop.load() != 0; }, platform::kNoTimeout, kPollMs);
  if (answered->load()) return true;
  if (cancel) post_(std::move(cancel));
  return false;
}

}  // namespace vard
