#pragma once
// The text form of one registry key's values, in .reg syntax: the POSIX
// registry keeps each key in such a file. Reading is forgiving (a damaged or
// hand-edited line is skipped, the readable values survive); writing gives
// a form that reads back to the same bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vard::platform {

namespace regtype {
constexpr uint32_t kString = 1;  // REG_SZ
constexpr uint32_t kExpandString = 2;
constexpr uint32_t kBinary = 3;
constexpr uint32_t kDword = 4;
}  // namespace regtype

// One value with its data as Windows stores it (REG_SZ: UTF-16LE with the
// terminator; REG_DWORD: four bytes little-endian). An empty name is the
// key's default value ("@").
struct RegValue {
  std::u16string name;
  uint32_t type = regtype::kString;
  std::vector<uint8_t> data;
};

std::vector<RegValue> ParseRegText(std::string_view utf8);
// `keyPath` is written into the section header after "HKEY_CURRENT_USER\".
std::string FormatRegText(const std::u16string& keyPath, const std::vector<RegValue>& values);

// Value names compare like the registry's: ignoring ASCII case.
bool SameValueName(std::u16string_view a, std::u16string_view b);

RegValue StringValue(std::u16string name, std::u16string_view text);
RegValue DwordValue(std::u16string name, uint32_t value);
// The text of a REG_SZ/REG_EXPAND_SZ value, up to its first terminator.
std::u16string StringOfValue(const RegValue& value);

}  // namespace vard::platform
