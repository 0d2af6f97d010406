#pragma once
// The texts a dialog template gives its controls, by control ID; labels
// without an ID get -1, -2, ... in template order, controls without text
// are left out. Read bounded: a damaged template gives
// the items read before the damage.
#include <cstdint>
#include <map>
#include <span>
#include <string>

namespace vard {

std::map<int, std::u16string> DialogControlTexts(std::span<const uint8_t> dialogTemplate);

// The texts of template `id` of the language table in use; empty when it is
// missing.
std::map<int, std::u16string> LanguageDialogTexts(uint32_t id);

}  // namespace vard
