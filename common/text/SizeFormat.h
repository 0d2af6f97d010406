#pragma once
// Numbers as the user interfaces show them.
#include <cstdint>
#include <string>

namespace vard {

// Decimal digits with "," between groups of three ("1,234,567").
std::u16string FormatThousands(int64_t value);

// The one size text of the system: "0.00KB", "4.76MB", "1,024.00GB".
// Unit by magnitude (integer quotients, so a negative size stays in KB);
// integer part grouped; the fraction exact and truncated, never rounded, to
// `decimals` digits; a negative size carries one leading "-".
std::u16string FormatSize(int64_t size, int decimals = 2);

}  // namespace vard
