#pragma once
// The bytes the loopback test servers serve at /data/<size>: every offset has
// a known byte, so a client can check any range it reads. Portable, so test
// programs of every target can check what they read.
#include <cstdint>

namespace vard::http_testing {

inline uint8_t DataByte(uint64_t offset) {
  return static_cast<uint8_t>((offset * 131) ^ (offset >> 11));
}

}  // namespace vard::http_testing
