#pragma once
// The texts of the transfer views' status labels.
#include <cstdint>
#include <string>

namespace vard {

// Bytes per second from the run counters; 0 when no time has passed.
double RunRate(int64_t runBytes, double runSeconds);
// KB per second, grouped, two truncated decimals: "12.50KB / sec".
std::u16string RateText(double bytesPerSecond);
// "<size of done> / <size of total>".
std::u16string SizeProgressText(int64_t done, int64_t total);
// "%02d:%02d:%02d" of the seconds `bytesLeft` take at the rate (hours may
// pass 24); "00:00:00" without a rate or with nothing left.
std::u16string TimeLeftText(int64_t bytesLeft, double bytesPerSecond);
std::u16string ClockText(int64_t seconds);
// Progress bar position 0..1000; 0 while the total is 0.
int ProgressPosition(int64_t done, int64_t total);

}  // namespace vard
