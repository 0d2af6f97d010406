#include "common/ui/SaveAsName.h"

#include "common/text/CaseFold.h"

namespace vard {

std::u16string ExtensionOf(const std::u16string& name) {
  const size_t slash = name.find_last_of(u"\\/");
  const size_t dot = name.find_last_of(u'.');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return {};
  return name.substr(dot);
}

std::u16string SaveAsName(const std::u16string& chosen, const std::u16string& given, bool typeFilterChosen) {
  const std::u16string wanted = ExtensionOf(given);
  // File names do not tell case apart: "A.PDF" is a pdf.
  if (!typeFilterChosen || wanted.empty() || EqualsIgnoreCase(ExtensionOf(chosen), wanted)) return chosen;
  return chosen + wanted;
}

}  // namespace vard
