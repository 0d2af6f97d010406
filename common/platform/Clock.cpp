#include "common/platform/Clock.h"

#include <algorithm>

namespace vard::platform {

bool IClock::WaitUntil(const std::function<bool()>& ready, uint32_t timeoutMs, uint32_t pollMs) {
  const uint32_t start = TickCount();
  const uint32_t poll = std::max<uint32_t>(pollMs, 1);  // never a busy loop
  for (;;) {
    if (ready()) return true;
    const uint32_t waited = MillisecondsSince(start);
    if (timeoutMs != kNoTimeout && waited >= timeoutMs) return false;
    // The last sleep ends at the deadline, not a poll later.
    Sleep(timeoutMs == kNoTimeout ? poll : std::min(poll, timeoutMs - waited));
  }
}

}  // namespace vard::platform
