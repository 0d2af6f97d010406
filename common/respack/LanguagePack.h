#pragma once
// Choosing, validating and applying the control's language packs, and the
// agent's language tables.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "common/respack/LanguageStore.h"

namespace vard {

inline constexpr uint32_t kKoreanPackId = 201;
inline constexpr uint32_t kEnglishPackId = 202;
inline constexpr uint32_t kAgentKoreanTableId = 222;
inline constexpr uint32_t kAgentEnglishTableId = 224;
inline constexpr char16_t kPackSignature[] = u"VARDKT5";

// The embedded image with the given resource ID (empty when absent).
using PackImageSource = std::function<std::span<const uint8_t>(uint32_t id)>;

// 201 when `language` is "ko" in any case, else 202.
uint32_t PackIdForLanguage(std::u16string_view language);

// Choose the pack for `language`, read it, check text 0 is the signature
// and text 1 names `language` (ignoring case); only then replace `store`
// with the whole pack. Returns whether the pack was applied; on false the
// store keeps what it had.
bool SelectAndValidatePack(std::u16string_view language, const PackImageSource& source,
                           LanguageStore& store = LanguageStore::Instance());

// The agent's table: 224 when `language` is "en" in any case, else 222.
uint32_t AgentTableIdForLanguage(std::u16string_view language);

// Reads the agent's table for `language` into `store`; a missing or
// malformed image leaves the store empty. Returns whether texts were read.
bool LoadAgentLanguageTable(std::u16string_view language, const PackImageSource& source,
                            LanguageStore& store = LanguageStore::Instance());

}  // namespace vard
