#pragma once
// The system's text for an error code (the codes of FileSystem.h), as a
// message box shows it: one paragraph without a trailing line break.
#include <cstdint>
#include <string>

namespace vard::platform {

std::u16string SystemErrorText(uint32_t code);

}  // namespace vard::platform
