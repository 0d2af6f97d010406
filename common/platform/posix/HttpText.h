#pragma once
// Header and URL text helpers of the libcurl backend.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vard::platform::posix {

// URLs and headers go to curl as UTF-8.
std::string Narrow(std::u16string_view text);
// "A: 1\r\nB: 2" (with or without a last line end) -> {"A: 1", "B: 2"}.
std::vector<std::string> SplitHeaderText(std::string_view text);
bool HeaderNameIs(std::string_view line, std::string_view name);
std::string HeaderValue(std::string_view line);
// The value of the index-th header called name (status line skipped).
std::optional<std::string> FindHeader(const std::vector<std::string>& lines, std::string_view name,
                              uint32_t index);
// Header name of a WinINet query code, or null when we do not know it.
const char* QueryHeaderName(uint32_t code);

}  // namespace vard::platform::posix
