#pragma once
// Case-insensitive comparison of UTF-16 text, as the system's own
// comparisons behave for the scripts users type (Latin, Greek, Cyrillic,
// full-width Latin); other characters compare as they are.
#include <string>
#include <string_view>

namespace vard {

char16_t FoldCase(char16_t c);  // lower-case form
char16_t UpperCase(char16_t c);
std::u16string ToLower(std::u16string_view s);
std::u16string ToUpper(std::u16string_view s);
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);
// <0, 0, >0 like lstrcmpiW's sign, comparing folded units.
int CompareIgnoreCase(std::u16string_view a, std::u16string_view b);
bool StartsWithIgnoreCase(std::u16string_view s, std::u16string_view prefix);

}  // namespace vard
