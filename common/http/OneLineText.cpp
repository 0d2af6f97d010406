#include "common/http/OneLineText.h"

#include "common/platform/DebugOutput.h"

namespace vard {

bool FitsOneLine(std::u16string_view text) { return text.find_first_of(std::u16string_view(u"\r\n\0", 3)) == text.npos; }

std::u16string OneLineOrNothing(std::u16string_view text, std::u16string_view what) {
  if (FitsOneLine(text)) return std::u16string(text);
  platform::DebugOutput(u"HTTP: " + std::u16string(what) + u" with a line break or NUL was not sent");
  return {};
}

}  // namespace vard
