#pragma once
// A running sum of file sizes that a page cannot overflow: exact over any
// number of 64-bit sizes (kept as a 128-bit two's-complement pair) and read
// clamped to the 64-bit range, so a removal after a huge sum is exact again.
#include <cstdint>

namespace vard {

class SizeTotal {
 public:
  void Add(int64_t size) {
    const uint64_t u = static_cast<uint64_t>(size);
    low_ += u;
    high_ += (low_ < u ? 1 : 0) - (size < 0 ? 1 : 0);
  }

  void Subtract(int64_t size) {
    const uint64_t u = static_cast<uint64_t>(size);
    const int64_t borrow = low_ < u ? 1 : 0;
    low_ -= u;
    high_ -= borrow - (size < 0 ? 1 : 0);
  }

  int64_t Clamped() const {
    constexpr uint64_t kSignBit = uint64_t{1} << 63;
    if (high_ == 0 && low_ < kSignBit) return static_cast<int64_t>(low_);
    if (high_ == -1 && low_ >= kSignBit) return static_cast<int64_t>(low_);
    return high_ < 0 ? INT64_MIN : INT64_MAX;
  }

 private:
  uint64_t low_ = 0;
  int64_t high_ = 0;  // cannot overflow: that would take 2^63 sizes
};

}  // namespace vard
