#pragma once
// The language packs (201 Korean, 202 English) and the agent's language
// tables (222 Korean, 224 English) carried by the running program.
#include <cstdint>
#include <span>

namespace vard {

// The image bytes of `id`; empty for any other ID.
std::span<const uint8_t> PackImage(uint32_t id);

}  // namespace vard
