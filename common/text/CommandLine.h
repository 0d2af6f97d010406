#pragma once
// Options of the programs' command lines ("-Mdownload -Lko -KTLOG1").
#include <string>
#include <string_view>

namespace vard {

// The text after the first occurrence of `key`, up to the next " -" after
// it or the end of the line; empty when the key does not occur. Not trimmed.
std::u16string CommandLineValue(std::u16string_view commandLine, std::u16string_view key);

}  // namespace vard
