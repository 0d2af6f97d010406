#pragma once
// A URL canonicalised in browser mode and split into fixed-capacity parts.
// When canonicalising or splitting fails, every part stays empty.
#include <cstdint>
#include <string>
#include <string_view>

namespace vard {

class CrackedUrl {
 public:
  explicit CrackedUrl(std::u16string_view url);

  // Capacities in characters, terminator included.
  static constexpr size_t kCanonicalCapacity = 2084;
  static constexpr size_t kSchemeCapacity = 32, kHostCapacity = 256;
  static constexpr size_t kUserCapacity = 128, kPasswordCapacity = 128;
  static constexpr size_t kPathCapacity = 2048, kExtraCapacity = 2048;

  bool Valid() const { return !host.empty(); }
  // Path and extra information: what a request names on its server.
  std::u16string ObjectName() const { return path + extra; }

  std::u16string canonical;
  std::u16string scheme, host, user, password, path, extra;
  uint16_t port = 0;
  int schemeNumber = 0;
};

}  // namespace vard
