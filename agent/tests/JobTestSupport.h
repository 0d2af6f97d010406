#pragma once
// Files and expected bytes for the tests of the download job.
#include <gtest/gtest.h>

#include <string>

#include "common/http/testing/TestData.h"
#include "common/platform/FileSystem.h"

namespace vard::testing {

// What the test server serves at /data/<size>.
inline std::string DataBytes(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>(http_testing::DataByte(i));
  return s;
}

inline std::string ReadAll(const std::u16string& path) {
  platform::File f = platform::File::Open(path, platform::access::kRead, platform::share::kRead | platform::share::kWrite,
                                          platform::Disposition::kOpenExisting);
  if (!f.IsOpen()) return "<missing>";
  std::string bytes;
  char buf[65536];
  uint32_t got = 0;
  while (f.Read(buf, sizeof buf, &got) && got) bytes.append(buf, got);
  return bytes;
}

inline void WriteAll(const std::u16string& path, const std::string& bytes) {
  platform::File f = platform::File::Open(path, platform::access::kWrite, 0, platform::Disposition::kCreateAlways);
  uint32_t n = 0;
  f.Write(bytes.data(), static_cast<uint32_t>(bytes.size()), &n);
}

// Equal bytes, or where they first differ (binary bodies make unreadable
// failure messages).
inline ::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                       << ", first difference at " << at;
}

}  // namespace vard::testing
