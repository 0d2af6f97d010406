#include "common/http/OneLineText.h"

#include "common/platform/DebugOutput.h"

namespace vard {

std::u16string OneLineOrNothing(std::u16string_view text, std::u16string_view what) {
  if (FitsOneLine(text)) return std::u16string(text);
  platform::DebugOutput(u"HTTP: " + std::u16string(what) + u" with a line break or NUL was not sent");
  return {};
}

std::u16string HeaderTextWithoutBreaks(std::u16string_view headers) {
  std::u16string out;
  size_t start = 0;
  while (start < headers.size()) {
    size_t end = headers.find(u"\r\n", start);
    const bool last = end == headers.npos;
    if (last) end = headers.size();
    const std::u16string line = OneLineOrNothing(headers.substr(start, end - start), u"a header");
    if (!line.empty()) out += line + (last ? u"" : u"\r\n");
    start = last ? end : end + 2;
  }
  return out;
}

}  // namespace vard
