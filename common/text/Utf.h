#pragma once
// UTF-16 is the text of the programs (std::u16string on every target).
// These are the conversions to and from UTF-8; invalid input never throws:
// broken sequences become U+FFFD, as the Win32 converters do.
#include <string>
#include <string_view>

namespace vard {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// For ASCII literals and test data: widens each byte as is.
std::u16string AsciiToUtf16(std::string_view ascii);

// Length up to the first NUL within a fixed-capacity field, never past it.
size_t BoundedLength(const char16_t* field, size_t capacity);
std::u16string FromFixedField(const char16_t* field, size_t capacity);

}  // namespace vard
