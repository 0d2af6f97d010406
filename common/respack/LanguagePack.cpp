#include "common/respack/LanguagePack.h"

#include "common/respack/ResourceImage.h"
#include "common/text/CaseFold.h"

namespace vard {

uint32_t PackIdForLanguage(std::u16string_view language) {
  return EqualsIgnoreCase(language, u"ko") ? kKoreanPackId : kEnglishPackId;
}

bool SelectAndValidatePack(std::u16string_view language, const PackImageSource& source,
                           LanguageStore& store) {
  const std::span<const uint8_t> image = source ? source(PackIdForLanguage(language))
                                                : std::span<const uint8_t>();
  if (image.empty()) return false;
  std::optional<LanguageTables> tables = ReadResourceImage(image);
  if (!tables) return false;
  const auto signature = tables->strings.find(0);
  const auto declared = tables->strings.find(1);
  if (signature == tables->strings.end() || signature->second != kPackSignature) return false;
  if (declared == tables->strings.end() || !EqualsIgnoreCase(declared->second, language)) {
    return false;
  }
  store.Replace(std::move(*tables));
  return true;
}

uint32_t AgentTableIdForLanguage(std::u16string_view language) {
  return EqualsIgnoreCase(language, u"en") ? kAgentEnglishTableId : kAgentKoreanTableId;
}

bool LoadAgentLanguageTable(std::u16string_view language, const PackImageSource& source,
                            LanguageStore& store) {
  const std::span<const uint8_t> image = source ? source(AgentTableIdForLanguage(language))
                                                : std::span<const uint8_t>();
  std::optional<LanguageTables> tables;
  if (!image.empty()) tables = ReadResourceImage(image);
  const bool hasTexts = tables && !tables->strings.empty();
  store.Replace(tables ? std::move(*tables) : LanguageTables{});
  return hasTexts;
}

}  // namespace vard
