#include "common/platform/ModuleResource.h"

namespace vard::platform {

std::span<const uint8_t> ModuleResource(const std::u16string&, uint32_t) { return {}; }

}  // namespace vard::platform
