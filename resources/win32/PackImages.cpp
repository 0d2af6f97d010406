#include "resources/PackImages.h"

#include "common/platform/ModuleResource.h"

namespace vard {

std::span<const uint8_t> PackImage(uint32_t id) { return platform::ModuleResource(u"RSRC", id); }

}  // namespace vard
