#pragma once
// The process's pool of kept-alive connections: idle curl multi handles, each
// with the connections its last transfers left open, found again by origin
// ("https://host:port"). A multi handle serves one request at a time.
#include "common/platform/posix/CurlLibrary.h"

#include <string>

namespace vard::platform::posix {

// A multi handle that last served `origin` when one is idle, else a new one.
CURLM* TakeMulti(const std::string& origin);
// Back to the pool once its transfer is removed; the oldest idle ones close.
void ReturnMulti(const std::string& origin, CURLM* multi);
// Idle multi handles kept, at most.
constexpr size_t kIdleMultis = 16;

}  // namespace vard::platform::posix
