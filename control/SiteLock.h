#pragma once
// The site lock an administrator (HKLM) or the person (HKCU) sets on the
// control: the origins of the pages that may use the members reaching
// beyond the download folder. Key "Software\vardel\VardKT5\SiteLock",
// string value "Origins": origins separated by ";", "," or blanks, such as
// "https://intra.example.com; https://*.example.com; http://localhost:8080".
// A "*." host matches every name below the domain (not the domain itself);
// scheme and port match exactly, a missing port being the scheme's own.
// A key without origins locks the control to no page at all. "file:" names
// the pages on this machine's own disks. An entry that would take in
// strangers' sites (a public suffix: "*.com", "*.co.kr") is refused with
// a line on the debug output.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/platform/Registry.h"
#include "common/platform/UrlOrigin.h"

namespace vard {

class SiteLock {
 public:
  static constexpr char16_t kKey[] = u"Software\\vardel\\VardKT5\\SiteLock";
  static constexpr char16_t kValue[] = u"Origins";

  struct Checks {
    // The platform's list by default.
    std::function<bool(std::u16string_view domain)> isPublicSuffix;
    std::function<void(std::u16string_view line)> log;
  };

  // Unusable entries are dropped: a typo never opens the lock.
  static SiteLock Parse(std::u16string_view origins, const Checks& checks = {});
  // The machine's lock when its key exists, else the person's, else none.
  static std::optional<SiteLock> Read(platform::IRegistry& registry, const Checks& checks = {});

  bool Allows(std::u16string_view pageUrl) const;
  size_t Size() const { return entries_.size(); }

 private:
  struct Entry {
    platform::UrlOrigin origin;
    bool anySubdomain = false;  // origin.host holds the domain after "*."
  };
  std::vector<Entry> entries_;
};

}  // namespace vard
