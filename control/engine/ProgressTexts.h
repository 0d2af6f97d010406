#pragma once
// The texts of the download dialog's progress labels.
#include <cstdint>
#include <string>

namespace vard {

// KB per second with grouped digits and two truncated decimals: "1,234.56KB".
std::u16string RateText(double bytesPerSecond);
// "1,048,576bytes".
std::u16string ByteCountText(int64_t bytes);
// "<label> : HH:MM:SS" for the bytes left at the rate; no rate, or a
// negative remainder, shows "00:00:00".
std::u16string TimeLeftText(const std::u16string& label, int64_t bytesLeft, double bytesPerSecond);

}  // namespace vard
