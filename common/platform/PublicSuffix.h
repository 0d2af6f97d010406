#pragma once
// Whether a domain is a public suffix: a name under which anyone may
// register their own ("com", "co.kr", "github.io"), so that a rule naming
// every host below it names strangers' sites.
#include <string_view>

namespace vard::platform {

// POSIX: the public suffix list libcurl's cookie engine uses (libpsl), its
// listed rules only. Win32, which offers no such list, and POSIX without
// libpsl: KnownSecondLevelSuffix. `domain` is lower case, without a
// trailing dot.
bool IsPublicSuffix(std::u16string_view domain);

// The suffixes every country registry shares in form: a single label, or a
// country's two letters under one of the usual second levels ("co.kr",
// "ac.uk", "com.au").
bool KnownSecondLevelSuffix(std::u16string_view domain);

}  // namespace vard::platform
