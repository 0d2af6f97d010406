#pragma once
// Where the cookie store lives: what the backend's requests load their
// cookies from. Empty when the data folder cannot be made.
#include <string>

namespace vard::platform::posix {

std::string CookieFilePath();

}  // namespace vard::platform::posix
