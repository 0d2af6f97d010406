#pragma once
// Custom resources carried by the module that holds this code (the control
// DLL or the agent EXE). POSIX programs have no module resources: they
// carry the same bytes as linked-in data instead, so there it is empty.
#include <cstdint>
#include <span>
#include <string>

namespace vard::platform {

// The bytes of resource `id` of type `type`; empty when absent. They stay
// valid for the life of the module.
std::span<const uint8_t> ModuleResource(const std::u16string& type, uint32_t id);

}  // namespace vard::platform
