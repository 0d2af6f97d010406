#pragma once
// The language packs the control carries and the store the accepted pack
// fills (texts, menus, dialog templates).
#include <string>

#include "common/respack/LanguageStore.h"

namespace vard {

class IControlLanguage {
 public:
  virtual ~IControlLanguage() = default;
  // Selects, validates and applies the pack for a language code; false
  // leaves the texts as they were.
  virtual bool LoadPack(const std::u16string& language) = 0;
  virtual const LanguageStore& Texts() = 0;
};

}  // namespace vard
