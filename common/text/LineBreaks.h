#pragma once
// The characters that start a line of their own wherever text goes one
// line at a time (a header, a form field, a line of a file): CR, LF and NUL.
#include <string>
#include <string_view>

namespace vard {

inline constexpr std::u16string_view kLineBreaks(u"\r\n\0", 3);

inline bool FitsOneLine(std::u16string_view text) { return text.find_first_of(kLineBreaks) == text.npos; }

// `text` with every CR, LF and NUL left out.
inline std::u16string WithoutLineBreaks(std::u16string text) {
  std::erase_if(text, [](char16_t c) { return kLineBreaks.find(c) != kLineBreaks.npos; });
  return text;
}

}  // namespace vard
