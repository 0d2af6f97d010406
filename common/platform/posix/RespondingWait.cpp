#include "common/platform/RespondingWait.h"

namespace vard::platform {

void RunResponding(const std::function<void()>& work) { work(); }

}  // namespace vard::platform
