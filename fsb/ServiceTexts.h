#pragma once
// What vardfsb prints, as bytes of the console's code page.
#include <cstdint>
#include <string>
#include <string_view>

namespace vard::fsb {

std::string HelpText();
std::string InvalidValueLine(const std::string& argument);
// "<operation>: [<service>] Success\n", or the system's text for `error`.
// `operation` is "Install", "Uninstall", "Start" or "Stop".
std::string ResultLine(std::string_view operation, const std::u16string& serviceName, uint32_t error);

}  // namespace vard::fsb
