#pragma once
// Reading back what a broker wrote, and a section of a test's own.
#include <algorithm>
#include <string>

#include "common/platform/FileSystem.h"
#include "common/text/Utf.h"

namespace vard::broker::testing {

inline std::string ReadAll(const std::u16string& path) {
  using namespace platform;
  File f = File::Open(path, access::kRead, share::kRead | share::kWrite, Disposition::kOpenExisting);
  std::string s(static_cast<size_t>(std::max<int64_t>(f.Size(), 0)), '\0');
  uint32_t got = 0;
  if (!s.empty()) f.Read(s.data(), static_cast<uint32_t>(s.size()), &got);
  s.resize(got);
  return s;
}

// A section name no other test run shares.
inline std::u16string PrivateSectionName(const char* tag) {
  static int counter = 0;
  return AsciiToUtf16(std::string("VardBrokerTest-") + tag + "-" + std::to_string(++counter) + "-" +
                      std::to_string(reinterpret_cast<uintptr_t>(&counter) % 100000));
}

}  // namespace vard::broker::testing
