#include "Clock.h"

namespace vard::platform {
namespace {
IClock* g_current = nullptr;
}

IClock& CurrentClock() { return g_current ? *g_current : SystemClock(); }
void SetCurrentClock(IClock* clock) { g_current = clock; }

}  // namespace vard::platform
