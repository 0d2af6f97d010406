#pragma once
// Base64 with the standard alphabet, and the lenient decoding applied to
// URLs that pages pass in.
#include <string>
#include <string_view>

namespace vard {

// Padded with "=", no line breaks.
std::string Base64Encode(std::string_view bytes);

// Bytes outside the alphabet (padding, blanks, line breaks) are skipped; a
// final incomplete group yields the whole bytes its bits hold.
std::string Base64Decode(std::string_view text);

// The same on UTF-16 text through the thread's ANSI code page.
std::u16string Base64EncodeText(std::u16string_view text);
std::u16string Base64DecodeText(std::u16string_view text);

}  // namespace vard
