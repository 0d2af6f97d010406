#pragma once
// The caption of an in-memory dialog template (extended or classic), read
// bounded: a damaged template gives an empty caption, never a read past it.
#include <cstdint>
#include <span>
#include <string>

namespace vard {

std::u16string DialogCaption(std::span<const uint8_t> dialogTemplate);

}  // namespace vard
